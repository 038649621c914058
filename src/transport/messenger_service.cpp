// Result codes of preparing the Messenger service on NT and their texts (portable).
#include "transport/messenger_service.h"

const char* messenger_error_text(int code) {
    using namespace messenger_result;
    switch (code) {
        case no_messenger_service:
        case another_instance:
        case ready:
            return "";
        case no_advapi32:
            return "Error loading ADVAPI32.DLL !";
        case no_procedure:
            return "Error getting procedure address !";
        case no_service_manager:
            return "Error opening service manager !";
        case no_service:
            return "Error opening MESSENGER service !";
        case no_service_status:
            return "Error querying MESSENGER service status !";
        case service_not_started:
            return "Error starting MESSENGER service !";
        case no_netapi32:
            return "Error loading NETAPI32.DLL !";
        default:
            return "Unexpected error !";
    }
}
