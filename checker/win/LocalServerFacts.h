#pragma once
// The facts of checker/LocalServer.h read from this PC: the registry the server's installer wrote,
// in both of its views (a 64-bit server registers in the 64-bit view, a 32-bit one on 64-bit
// Windows in the 32-bit view; both are read whatever the checker's own bitness), the services'
// states, this computer's name and addresses, and the end of the server's error log.

#include <cstddef>
#include <string>
#include <vector>

#include "checker/ErrorLog.h"
#include "checker/LocalServer.h"

namespace checker {

LocalServerFacts ReadLocalServerFacts();

// This computer's NetBIOS name and its IPv4 addresses, for NamesThisComputer.
std::string ThisComputerName();
std::vector<std::string> ThisComputerAddresses();

// This computer's local time now, in the clock the server's error log is written in.
LogTime LocalTimeNow();

// The last `maxBytes` of a UTF-16 file (whole when smaller), read from its end: a server's error
// log grows to many megabytes. `error` says why when it cannot be read (then empty is returned).
std::u16string ReadFileTail(const std::string& path, std::size_t maxBytes, std::string& error);

}  // namespace checker
