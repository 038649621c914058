// The options record (portable).
#include "settings/options.h"

Options g_options;
Lock g_options_lock;
Lock g_lists_lock;
