#!/bin/bash
# The release kit: both programs for both kinds of Windows, the guide, the licences, checksums.
#   scripts/release.sh
# Builds the windows and windows-x86 presets (release builds; builds that are current are used as
# they are) and writes dist/CriaBD-<version>/ and dist/CriaBD-<version>.zip:
#   x64/ and x86/   CriaBD.exe and VerificaBD.exe, stripped (and signed, see below)
#   LEIA-ME.txt     the technician's guide (docs/release/LEIA-ME.txt; UTF-8 with a byte-order mark
#                   and CR LF, as Notepad wants it)
#   LICENCAS.txt    the notices of the runtime linked into the programs
#   SHA256SUMS      every other file's SHA-256
# The version is the project's (CMakeLists.txt). Signing: with SIGN_CERT and SIGN_KEY (PEM or DER
# files; SIGN_PASS the key's password, if any) every executable is signed with Authenticode
# (osslsigncode), time-stamped only when SIGN_TIMESTAMP_URL names an RFC 3161 server; without them
# the kit is unsigned, and the script says so. DIST_DIR puts the kit elsewhere than dist/.
#
# Exit code 0 when the kit was written; otherwise 1, with one line "release: <why>" last. A kit is
# made in a temporary folder and zip, moved to their names only when complete and verified.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
say_prefix="release: "
# shellcheck source=scripts/common.sh
source scripts/common.sh

dist=${DIST_DIR:-$root/dist}
work=""
fail() {
  echo "release: $*" >&2
  exit 1
}
trap '[[ -n "$work" ]] && rm -rf "$work"' EXIT
started=$SECONDS

# --- the builds -----------------------------------------------------------------------------------
declare -A arch_folder=([windows]=x64 [windows-x86]=x86)
declare -A strip_tool=([windows]=x86_64-w64-mingw32-strip [windows-x86]=i686-w64-mingw32-strip)
programs=(CriaBD.exe VerificaBD.exe)
version=""
mkdir -p "$dist"
work=$(mktemp -d "$dist/.release.XXXXXX")
for preset in windows windows-x86; do
  forget_foreign_cache "build/$preset"
  if [[ ! -f "build/$preset/CMakeCache.txt" ]]; then
    cmake --preset "$preset" >"$work/$preset.log" 2>&1 || fail "the $preset build could not be configured (cmake --preset $preset)"
  fi
  cmake --build --preset "$preset" --target wizard checker_program >>"$work/$preset.log" 2>&1 ||
    { tail -n 20 "$work/$preset.log" >&2; fail "the $preset build failed"; }
  preset_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$preset/CMakeCache.txt")
  [[ -n "$preset_version" ]] || fail "build/$preset names no project version"
  [[ -z "$version" || "$version" == "$preset_version" ]] || fail "the builds disagree on the version ($version, $preset_version)"
  version=$preset_version
done

name="CriaBD-$version"
kit="$work/$name"
for preset in windows windows-x86; do
  folder="$kit/${arch_folder[$preset]}"
  mkdir -p "$folder"
  for program in "${programs[@]}"; do
    [[ -f "build/$preset/bin/$program" ]] || fail "build/$preset/bin/$program is missing"
    "${strip_tool[$preset]}" --strip-all -o "$folder/$program" "build/$preset/bin/$program" ||
      fail "build/$preset/bin/$program could not be stripped"
  done
done

# --- signatures -----------------------------------------------------------------------------------
if [[ -n "${SIGN_CERT:-}" && -n "${SIGN_KEY:-}" ]]; then
  [[ -r "$SIGN_CERT" && -r "$SIGN_KEY" ]] || fail "SIGN_CERT or SIGN_KEY cannot be read"
  sign_args=(-certs "$SIGN_CERT" -key "$SIGN_KEY" -h sha256 -n "Criação de Base de Dados")
  if [[ -n "${SIGN_PASS:-}" ]]; then  # from a file, not the command line other processes can read
    (umask 077 && printf '%s\n' "$SIGN_PASS" >"$work/pass")
    sign_args+=(-readpass "$work/pass")
  fi
  [[ -n "${SIGN_TIMESTAMP_URL:-}" ]] && sign_args+=(-ts "$SIGN_TIMESTAMP_URL")
  # The signer's certificate is trusted for the check below besides the system's authorities, so that
  # a certificate of one's own verifies too; what is checked is that each signature is whole.
  cat /etc/ssl/certs/ca-certificates.crt "$SIGN_CERT" >"$work/trusted.pem" 2>/dev/null ||
    cp "$SIGN_CERT" "$work/trusted.pem"
  for exe in "$kit"/*/*.exe; do
    relative=${exe#"$kit"/}
    osslsigncode sign "${sign_args[@]}" -in "$exe" -out "$exe.signed" >"$work/sign.log" 2>&1 ||
      { tail -n 5 "$work/sign.log" >&2; fail "$relative could not be signed"; }
    mv -f "$exe.signed" "$exe"
    osslsigncode verify -CAfile "$work/trusted.pem" -in "$exe" >"$work/verify.log" 2>&1 ||
      { tail -n 5 "$work/verify.log" >&2; fail "the signature of $relative does not verify"; }
  done
  rm -f "$work/pass"
  echo "release: signed with $SIGN_CERT${SIGN_TIMESTAMP_URL:+, time-stamped by $SIGN_TIMESTAMP_URL}"
else
  echo "release: unsigned (SIGN_CERT and SIGN_KEY are not set)"
fi

# --- texts ----------------------------------------------------------------------------------------
# Windows text: a UTF-8 byte-order mark and CR LF line ends.
windows_text() {  # windows_text <output> <file>...
  local out=$1
  shift
  { printf '\xEF\xBB\xBF'; cat "$@" | sed 's/\r$//; s/$/\r/'; } >"$out"
}
sed "s/@VERSION@/$version/g" docs/release/LEIA-ME.txt >"$work/leia-me"
windows_text "$kit/LEIA-ME.txt" "$work/leia-me"
notices=(/usr/share/doc/mingw-w64-common/copyright /usr/share/doc/gcc-mingw-w64-base/copyright
         /usr/share/doc/libz-mingw-w64-dev/copyright)
for notice in "${notices[@]}"; do
  [[ -r "$notice" ]] || fail "$notice is missing (the compiler's packages, scripts/setup.sh)"
done
{
  sed "s/@VERSION@/$version/g" docs/release/LICENCAS.txt
  echo
  echo "==== mingw-w64: C runtime, Windows headers and import libraries, winpthreads ===="
  cat "${notices[0]}"
  echo
  echo "==== GCC: libgcc and libstdc++ (GCC Runtime Library Exception) ===="
  cat "${notices[1]}"
  echo
  echo "==== zlib ===="
  cat "${notices[2]}"
} >"$work/licences"
windows_text "$kit/LICENCAS.txt" "$work/licences"

# --- checksums and the zip ------------------------------------------------------------------------
(cd "$kit" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
(cd "$kit" && sha256sum --quiet -c SHA256SUMS) || fail "the checksums of the kit do not verify"

python3 - "$work" "$name" "$work/$name.zip" <<'EOF' || fail "the zip could not be written or does not read back"
import hashlib, os, sys, zipfile
base, name, target = sys.argv[1:]
files = sorted(os.path.relpath(os.path.join(d, f), base)
               for d, _, fs in os.walk(os.path.join(base, name)) for f in fs)
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for f in files:
        z.write(os.path.join(base, f), f.replace(os.sep, "/"))
with zipfile.ZipFile(target) as z:  # read back: every file whole and equal to the kit's
    assert z.testzip() is None
    for f in files:
        with open(os.path.join(base, f), "rb") as original:
            assert hashlib.sha256(z.read(f.replace(os.sep, "/"))).digest() == hashlib.sha256(original.read()).digest(), f
EOF

rm -rf "${dist:?}/$name"
mv "$kit" "$dist/$name"
mv -f "$work/$name.zip" "$dist/$name.zip"

size() { numfmt --to=iec --suffix=B --format='%.1f' "$(stat -c %s "$1")"; }
echo "release: $dist/$name.zip ($(size "$dist/$name.zip")) in $((SECONDS - started)) s"
for exe in "$dist/$name"/*/*.exe; do
  echo "release:   ${exe#"$dist/$name"/} $(size "$exe")"
done
