// Typing into the wizard's edit boxes, as a person types: the same key sequences go into a plain
// platform edit box of the driver's fixture program (the reference) and into each of the wizard's
// boxes, and must leave the same text and the same selection. The password box is compared with
// a platform password box, the review page's read-only boxes with a platform read-only box; the
// typed password is checked where it lands, in the data link file.

#include <gtest/gtest.h>

#include <functional>

#include "WizardFlow.h"

namespace {

using flow::Snapshot;
using gui::App;
using gui::Control;
using std::chrono::milliseconds;

// What an edit box holds: its text and its selection (start and end; equal for a plain caret).
struct EditState {
    std::string text;
    DWORD selection = 0;
    bool operator==(const EditState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EditState& s) {
    return out << '"' << gui::Cp1252ToUtf8(s.text) << "\" selection " << LOWORD(s.selection) << "-"
               << HIWORD(s.selection);
}

EditState ReadEdit(HWND edit) {
    DWORD_PTR selection = 0;
    if (!SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selection))
        throw gui::DriverError("the edit box did not answer EM_GETSEL");
    return {gui::WindowText(edit), static_cast<DWORD>(selection)};
}

// One key sequence, sent to whatever has the focus in root.
struct KeySequence {
    const char* name;
    std::function<void(HWND root)> keys;
};

void Type(HWND root, const wchar_t* text) { gui::TypeText(root, text); }
void Key(HWND root, WORD key, unsigned modifiers = gui::kNoModifier, int times = 1) {
    gui::PressKey(root, key, modifiers, times);
}

const std::vector<KeySequence>& Sequences() {
    static const std::vector<KeySequence> all = {
        {"typing, caret moves and deletions",
         [](HWND r) {
             Type(r, L"abc,123");
             Key(r, VK_HOME);
             Type(r, L"X");
             Key(r, VK_END);
             Key(r, VK_BACK);
             Key(r, VK_LEFT, gui::kNoModifier, 2);
             Key(r, VK_DELETE);
             Type(r, L"ç");
         }},
        {"selections with Shift and arrows, typed over",
         [](HWND r) {
             Type(r, L"servidor");
             Key(r, VK_LEFT, gui::kShift, 3);
             Type(r, L"ã");
             Key(r, VK_HOME);
             Key(r, VK_RIGHT, gui::kShift, 2);
             Key(r, VK_DELETE);
             Key(r, VK_END, gui::kShift);
             Key(r, VK_LEFT, gui::kShift);
         }},
        {"select all, copy and paste through the clipboard",
         [](HWND r) {
             Type(r, L"é€ PC");
             Key(r, 'A', gui::kCtrl);
             Key(r, 'C', gui::kCtrl);
             Key(r, VK_END);
             Key(r, 'V', gui::kCtrl);
             Key(r, VK_LEFT, gui::kNoModifier, 4);
             Key(r, 'V', gui::kCtrl);
         }},
        {"a whole text replaced by typing over the selection",
         [](HWND r) {
             Type(r, L"MARLOVEXSQL");
             Key(r, 'A', gui::kCtrl);
             Type(r, L"Instância");
             Key(r, VK_HOME, gui::kShift);
             Type(r, L"nº 2");
         }},
    };
    return all;
}

class EditTyping : public flow::WizardFlowTest {
protected:
    void SetUp() override {
        WizardFlowTest::SetUp();
        const auto rigExe = rigFolder_.Copy(gui::ProgramFolder() / "rig_app.exe");
        rig = App::Launch(rigExe, rigFolder_.Path());
        rig->WaitForMainWindow(L"RigFixtureWindow");
        Start();
    }

    // Empties the clipboard, so that a box that cannot copy (a password box) pastes the same
    // nothing in both programs.
    static void EmptyTheClipboard() {
        gui::WaitFor([] { return OpenClipboard(nullptr) != 0; }, "the clipboard");
        EmptyClipboard();
        CloseClipboard();
    }

    // Clicks into a box, empties it with Ctrl+A and Delete, runs the sequence and returns the
    // box's state once it has stopped changing (every key handled).
    EditState TypeInto(App& program, const Control& box, const KeySequence& sequence) {
        EmptyTheClipboard();
        gui::ClickControl(box);
        gui::WaitFor([&] { return program.FocusedWindow() == box.Window(); }, box.name + " to take the focus");
        const HWND root = GetAncestor(box.Window(), GA_ROOT);
        Key(root, 'A', gui::kCtrl);
        Key(root, VK_DELETE);
        EditState state;
        if (!gui::WaitUntil([&] { return (state = ReadEdit(box.Window())).text.empty(); }))
            throw gui::DriverError(box.name + " was not emptied by Ctrl+A and Delete (it holds \"" +
                                   gui::Cp1252ToUtf8(state.text) + "\")");
        sequence.keys(root);
        return Settled(box.Window());
    }

    // The box's state once it has read the same for 400 ms.
    static EditState Settled(HWND edit) {
        EditState last = ReadEdit(edit);
        auto since = std::chrono::steady_clock::now();
        gui::WaitFor(
            [&] {
                const EditState now = ReadEdit(edit);
                if (!(now == last)) {
                    last = now;
                    since = std::chrono::steady_clock::now();
                }
                return std::chrono::steady_clock::now() - since >= milliseconds(400);
            },
            "the edit box to settle");
        return last;
    }

    std::unique_ptr<App> rig;

private:
    gui::StagingFolder rigFolder_;
};

// The fault once found: clicked at the end of its text, the server box took the typed characters
// in reverse order at its start.
TEST_F(EditTyping, TextTypedAtTheEndOfTheServerBoxComesOutInOrder) {
    ChooseProduct("velmopos");
    const Control servidor = app->Get("servidor");
    const std::string before = servidor.text;
    ASSERT_FALSE(before.empty()) << "the server box starts with the computer's name";
    gui::RealClick(app->MainWindow(), gui::PointIn(servidor, -4, servidor.Height() / 2));
    gui::WaitFor([&] { return app->FocusedWindow() == servidor.Window(); },
                 "servidor to take the focus (it is with " + gui::ToCp1252(gui::ClassName(app->FocusedWindow())) + ")");
    gui::TypeText(app->MainWindow(), L"abc,123");
    WaitFor([&](const Snapshot& s) { return s.Text("servidor") == before + "abc,123"; },
            "servidor to read " + before + "abc,123");
    EXPECT_EQ(Settled(servidor.Window()), (EditState{before + "abc,123", MAKELONG(before.size() + 7, before.size() + 7)}));
}

TEST_F(EditTyping, EveryBoxOfTheServerPageTypesAsThePlatformsOwnEditBox) {
    ChooseProduct("velmopos");
    const Control reference = rig->Get("entrada");
    for (const KeySequence& sequence : Sequences()) {
        const EditState want = TypeInto(*rig, reference, sequence);
        for (const char* name : {"servidor", "instancia", "basedados", "utilizador"}) {
            EXPECT_EQ(TypeInto(*app, app->Get(name), sequence), want) << name << ", " << sequence.name;
            // The stored text is what the box shows.
            EXPECT_EQ(Now().Text(name), want.text) << name << ", " << sequence.name;
        }
    }
}

TEST_F(EditTyping, ThePasswordBoxTypesAsAPlatformPasswordBoxAndItsTextReachesTheDataLinkFile) {
    ChooseProduct("velmopos");
    const Control reference = rig->Get("segredo");
    const Control password = app->Get("password");
    LONG_PTR style = GetWindowLongPtrW(password.Window(), GWL_STYLE);
    EXPECT_TRUE(style & ES_PASSWORD) << "the box shows password characters only";
    DWORD_PTR mask = 0;
    ASSERT_TRUE(SendMessageTimeoutW(password.Window(), EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask));
    EXPECT_NE(mask, 0u);
    std::string typed;
    for (const KeySequence& sequence : Sequences()) {
        const EditState want = TypeInto(*rig, reference, sequence);
        const EditState got = TypeInto(*app, password, sequence);
        EXPECT_EQ(got.selection, want.selection) << sequence.name;
        typed = rig->Get("segredo").text;  // the reference's own reading of its text
        EXPECT_FALSE(typed.empty()) << sequence.name;
    }
    // The last sequence's password, as the wizard writes it beside itself.
    const Snapshot s = Now();
    Next();
    WaitForPage(flow::kReviewPage);
    const std::string server = s.Text("instancia").empty() ? s.Text("servidor")
                                                          : s.Text("servidor") + "\\" + s.Text("instancia");
    EXPECT_EQ(Udl(L"VelmoPos"), flow::UdlBytes(server, s.Text("utilizador"), typed, s.Text("basedados")))
        << flow::Hex(Udl(L"VelmoPos"));
}

TEST_F(EditTyping, TheReviewBoxesRefuseTypingAsAPlatformReadOnlyBox) {
    ChooseProduct("velmopos");
    SetEntry("instancia", "");
    Next();
    const Snapshot review = WaitForPage(flow::kReviewPage);
    const Control reference = rig->Get("leitura");
    for (const char* name : {"ck_servidor", "ck_basedados", "ck_utilizador"}) {
        const Control box = review[name];
        const std::string shown = box.text;
        gui::ClickControl(box);
        gui::WaitFor([&] { return app->FocusedWindow() == box.Window(); }, std::string(name) + " to take the focus");
        for (const KeySequence& sequence : Sequences()) {
            sequence.keys(app->MainWindow());
            EXPECT_EQ(Settled(box.Window()).text, shown) << name << ", " << sequence.name;
        }
        EXPECT_EQ(Now().Text(name), shown);
    }
    gui::ClickControl(reference);
    for (const KeySequence& sequence : Sequences()) {
        sequence.keys(rig->MainWindow());
        EXPECT_EQ(Settled(reference.Window()).text, "PC") << "reference, " << sequence.name;
    }
}

}  // namespace
