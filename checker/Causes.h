#pragma once
// The likely cause of a failed connection and what the technician can do about it, judged from
// each diagnostic record's numbers first: the server's own error numbers; the network layer's,
// as the platform's drivers pass them on (10061 refused, 10060 no answer, 11001 and 11004 name
// unknown, 53 and 2 over named pipes, 258 a time-out, -1 an instance not located, the security
// layer's certificate codes) and FreeTDS's own; words only as a last resort, in English and in
// Portuguese, since the drivers' texts follow the languages of the server, of Windows and of any
// driver language pack. Unknown failures get a general advice.

#include <string>
#include <string_view>
#include <vector>

namespace checker {

// One diagnostic record as the driver gives it.
struct ServerMessage {
    std::string sqlState;  // five characters
    long number = 0;       // the server's error number; the network layer's or the driver's own for its errors
    int state = 0;         // the server's state of the error, 0 when unknown
    int severity = 0;      // the server's severity (class), 0 when unknown
    std::string text;
};

// What the checks before the login found of the way to the server. The built-in "SQL Server"
// driver reports every failure to reach a server as one record, native 17 ("SQL Server does not
// exist or access denied"): these facts decide what it means.
enum class Reach {
    Unknown,           // no probe told
    Reached,           // the server's port accepted a connection (or its Browser gave its port)
    Refused,           // nobody listens on the port
    NoAnswer,          // the port did not answer in time
    NameUnknown,       // the server's name is not known on this network
    InstanceUnknown,   // the Browser answered, without this instance
    BrowserSilent,     // the Browser did not answer for a named instance
    ServiceStopped,    // on this PC: the instance's service is stopped or disabled
    ServicePaused,     // on this PC: the instance's service is paused
};

struct Cause {
    std::string cause;   // one line
    std::string advice;  // what to do
};

// The cause of the first record that the table knows: the server's 4060, then its 18456, are
// looked for first (the driver may put its own records before them), then the server's other
// login errors, then the network layer's numbers, then time-outs ("Login timeout expired" often
// comes beside the record that names the cause), then words; a general one when none is known.
// A refused login's state names a cause only when it is not the 1 every server sends to its
// clients. `database`, when given, is the database the connection asked for: the advice then
// carries SQL for it that runs as printed.
Cause LikelyCause(const std::vector<ServerMessage>& messages, Reach reach = Reach::Unknown,
                  std::string_view database = {});

// The cause of a refused login whose real state is known (the server's error log gives it).
Cause LoginStateCause(int state);

// "SQLSTATE 28000, erro 18456, estado 1, gravidade 14: Login failed for user 'sa'."
std::string DescribeMessage(const ServerMessage& message);

}  // namespace checker
