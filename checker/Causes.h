#pragma once
// The likely cause of a failed connection, from what the server and the driver said, and what the
// technician can do about it. One table, in Portuguese; unknown failures get a general advice.

#include <string>
#include <string_view>
#include <vector>

namespace checker {

// One diagnostic record as the driver gives it.
struct ServerMessage {
    std::string sqlState;  // five characters
    long number = 0;       // the server's error number (the driver's own number for its errors)
    int state = 0;         // the server's state of the error, 0 when unknown
    int severity = 0;      // the server's severity (class), 0 when unknown
    std::string text;
};

struct Cause {
    std::string cause;   // one line
    std::string advice;  // what to do
};

// The cause of the first record that the table knows (the server's 4060, then its 18456, are
// looked for first, since the driver may put its own records before them); a general one when
// none is known. A refused login's state names a cause only when it is not the 1 every server
// sends to its clients; otherwise every cause that fits is named, most likely first. `database`,
// when given, is the database the connection asked for: the advice then carries SQL for it that
// runs as printed.
Cause LikelyCause(const std::vector<ServerMessage>& messages, std::string_view database = {});

// The cause of a refused login whose real state is known (the server's error log gives it).
Cause LoginStateCause(int state);

// "SQLSTATE 28000, erro 18456, estado 1, gravidade 14: Login failed for user 'sa'."
std::string DescribeMessage(const ServerMessage& message);

}  // namespace checker
