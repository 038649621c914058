// The NetBIOS name service on UDP port 137, for the program's own network
// path (Windows only): registers this computer's names by broadcast, answers
// name queries and node status for them, defends them and releases them at
// exit; and resolves another computer's name by a broadcast query.
//
// A thread of its own owns the port and the name table (name_table.h); the
// table's clock is the thread's. Ports are bound so that a name service that
// shares the computer (Samba's nmbd) keeps working whoever starts first:
// both sides ask for shared use, and broadcasts then reach both, while a
// datagram sent to this computer's address alone reaches only one of them
// (on Linux the one bound to that very address, which nmbd is).
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>

#include "transport/name_table.h"
#include "transport/netbios_path_win.h"
#include "transport/winsock_win.h"

// Binds `port` on every local address for shared use. bound: nobody else
// has it; shared: another program holds it too; in_use: another program
// holds it alone; denied / unavailable as for the datagram port.
PortState bind_shared_port(uint16_t port, UniqueSocket& socket, int& error);

// Called once, on a thread of its own, with the text of the warning when
// names could not be registered because other computers own them.
using NameProblemReport = void (*)(const std::string& text);

// After Winsock is loaded: binds UDP port 137 and starts registering
// `computer` (OEM, upper case) <00> and <03> and `workgroup` <00>. Without
// the port nothing is registered or answered; resolving still works. When a
// name service on this computer (started later) registers the same names,
// `sharing_text` is reported once, unless the port was shared from the start.
PortState start_name_service(const std::string& computer, const std::string& workgroup, int& error,
                             NameProblemReport report, const std::string& sharing_text);
// The name server (WINS) to register with and to ask first, or nothing.
// Set before start_name_service() for the registration; queries take it at
// once. A server that stops answering is said once a run through `report`.
void set_name_server_address(std::optional<uint32_t> server);

// Ends the thread and releases the names (one broadcast each), unless
// another name service on this computer holds them too.
void stop_name_service();

// Waits up to `timeout_ms` for the registration to end; true when it has.
bool name_service_settled(unsigned timeout_ms);
// A copy of the name table as it is now (for tests and status).
std::vector<netbios::OwnName> name_service_names();

// The text of the warning for names other computers own, or empty.
std::string name_conflict_text(const std::vector<netbios::OwnName>& names);

// Finds who owns `name` (OEM; case does not matter): the name server first,
// when one is set and answering (two tries, 1 s and 2 s), then every local
// network (three broadcast queries 250 ms apart), on a socket of its own.
// The first usable address (host order), or nothing. Blocks for at most
// 3.75 s (0.75 s without a server, or while it is taken as gone); needs
// Winsock loaded (the path started).
std::optional<uint32_t> resolve_name(const netbios::Name& name);
// The same for a computer's messenger name, NAME<03>, given in ANSI as the
// user typed it.
std::optional<uint32_t> resolve_messenger_name(const char* ansi_name);
