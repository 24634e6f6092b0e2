#pragma once
// The facts of checker/LocalServer.h read from this PC: the registry the server's installer wrote
// (always its 64-bit view: a 32-bit checker on 64-bit Windows would otherwise see the empty
// 32-bit one), the services' states, this computer's name and addresses, and the end of the
// server's error log.

#include <cstddef>
#include <string>
#include <vector>

#include "checker/LocalServer.h"

namespace checker {

LocalServerFacts ReadLocalServerFacts();

// This computer's NetBIOS name and its IPv4 addresses, for NamesThisComputer.
std::string ThisComputerName();
std::vector<std::string> ThisComputerAddresses();

// The last `maxBytes` of a UTF-16 file (whole when smaller), read from its end: a server's error
// log grows to many megabytes. `error` says why when it cannot be read (then empty is returned).
std::u16string ReadFileTail(const std::string& path, std::size_t maxBytes, std::string& error);

}  // namespace checker
