// Result codes of preparing the Messenger service on NT and their texts (portable).
#pragma once

// What prepare_messenger_service() answers. Startup shows the text of a
// negative code and ends; 1 means an earlier copy was brought to the front;
// 2 that the system has no Messenger service at all, or one that is disabled,
// so the program takes its own network path.
namespace messenger_result {
inline constexpr int no_messenger_service = 2;
inline constexpr int another_instance = 1;
inline constexpr int ready = 0;
inline constexpr int no_advapi32 = -1;
inline constexpr int no_procedure = -2;
inline constexpr int no_service_manager = -3;
inline constexpr int no_service = -4;
inline constexpr int no_service_status = -5;
inline constexpr int service_not_started = -6;
inline constexpr int no_netapi32 = -7;
}  // namespace messenger_result

// The message box text for a result code: empty for 2, 1 and 0, which need none.
const char* messenger_error_text(int code);
