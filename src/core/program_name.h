// The program's name (portable): the main window's title, the caption of its
// message boxes and the name of its folder for kept messages. The main
// dialog's template carries the same text.
#pragma once

inline constexpr char kProgramTitle[] = "Quorvanta Messenger";
