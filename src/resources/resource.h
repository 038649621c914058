// Resource, control and command identifiers of the program (Windows only;
// shared by the resource scripts and the code).
#pragma once

// Dialog templates
#define IDD_MAIN 101
#define IDD_SEND 121
#define IDD_VIEW 122
#define IDD_ANSWER 125
#define IDD_PAGE_IGNORE 128
#define IDD_PAGE_POPUP 129
#define IDD_PAGE_MESSAGES 130
#define IDD_ABOUT 131
#define IDD_PAGE_MISC 135

// Menus
#define IDM_MAIN 111
#define IDM_TRAY 132

// Icons
#define IDI_READ 109
#define IDI_UNREAD 110
#define IDI_NEW 112
#define IDI_ANSWER 113
#define IDI_COMPUTER 114
#define IDI_NETWORK 116
#define IDI_DELETE 117
#define IDI_DELETE_ALL 118
#define IDI_ANSWERED 119
#define IDI_VIEW 120
#define IDI_RESCAN 124
#define IDI_TRAY_UNREAD 126
#define IDI_TRAY 127
#define IDI_QUOTE 138

// Main dialog controls
#define IDC_MESSAGE_LIST 1000
#define IDC_NETWORK_TREE 1001

// Send Message dialog controls
#define IDC_SEND_TEXT 1004
#define IDC_SEND_RECIPIENT 1006
#define IDC_SEND_FRAME 1015
#define IDC_BROADCAST 1029

// Answer Message dialog controls
#define IDC_ANSWER_FROM 1010
#define IDC_ANSWER_RECEIVED 1013
#define IDC_ANSWER_REPLY 1014
#define IDC_QUOTE 1034

// About dialog controls
#define IDC_STAT_SENT 1030
#define IDC_STAT_RECEIVED 1031
#define IDC_STAT_IGNORED 1032

// View Message dialog controls
#define IDC_VIEW_SAVE 3
#define IDC_VIEW_TEXT 1008
#define IDC_VIEW_TIME 1009
#define IDC_VIEW_FROM 1010
#define IDC_VIEW_TO 1011

// Settings sheet pages. Ids repeat from page to page; each page is its own
// dialog.
#define IDC_IGNORE_FROM_CHECK 1016
#define IDC_IGNORE_TO_CHECK 1017
#define IDC_IGNORE_TEXT_CHECK 1018
#define IDC_IGNORE_FROM_EDIT 1019
#define IDC_IGNORE_TO_EDIT 1020
#define IDC_IGNORE_TEXT_EDIT 1021
#define IDC_IGNORE_FROM_LIST 1022
#define IDC_IGNORE_FROM_ADD 1023
#define IDC_IGNORE_FROM_DELETE 1026
#define IDC_IGNORE_TO_LIST 1027
#define IDC_IGNORE_TO_ADD 1028
#define IDC_IGNORE_TO_DELETE 1029
#define IDC_IGNORE_TEXT_LIST 1030
#define IDC_IGNORE_TEXT_ADD 1031
#define IDC_IGNORE_TEXT_DELETE 1032

#define IDC_POPUP_TRAY_ONLY 1016
#define IDC_POPUP_EDIT 1019
#define IDC_POPUP_LIST 1022
#define IDC_POPUP_ANY 1024
#define IDC_POPUP_NEVER 1025
#define IDC_POPUP_FROM 1026
#define IDC_POPUP_ADD 1027
#define IDC_POPUP_DELETE 1028

#define IDC_MESSAGES_COPY 1017
#define IDC_MESSAGES_NUMBER 1019
#define IDC_MESSAGES_SHOW_ALL 1024
#define IDC_MESSAGES_KILL 1025
#define IDC_MESSAGES_KILL_OVER 1026
#define IDC_MESSAGES_VIEWS 1033
#define IDC_MESSAGES_ANSWERS 1034
#define IDC_MESSAGES_DELETES 1035

#define IDC_MISC_EXIT 1016
#define IDC_MISC_DELETE 1017
#define IDC_MISC_DELETE_ALL 1018
#define IDC_MISC_AUTO_TEXT 1019
#define IDC_MISC_CLOSE_ON_SENT 1034
#define IDC_MISC_CLOSE_ON_CANCEL 1035
#define IDC_MISC_AUTO_ANSWER 1037
#define IDC_MISC_MARK_LAST 1038
#define IDC_MISC_KEEP_MESSAGES 1039
#define IDC_MISC_NAME_SERVER 1040

// Commands of the menus, toolbars and tray menu
#define IDM_NEW 40001
#define IDM_ANSWER 40002
#define IDM_DELETE 40003
#define IDM_DELETE_ALL 40004
#define IDM_VIEW 40005
#define IDM_SHOW_NETWORK 40006
#define IDM_SETTINGS 40007
#define IDM_RESCAN 40008
#define IDM_MARK_READ 40009
#define IDM_MARK_ALL_READ 40010
#define IDM_ABOUT 40011
#define IDM_EXIT 40014
#define IDM_AUTO_ANSWER 40021
#define IDM_SAVE_HTML 40023
#define IDM_SAVE_TEXT 40024

// Private messages of the main dialog, declared here only.
// The tray icon's notifications.
#define WM_TRAY_CALLBACK (WM_USER + 1)
// Sent by the receiver thread: wParam a token it holds for one record while
// it waits; answers 1 when the store took the record, 0 when not.
#define WM_INSERT_MESSAGE (WM_USER + 2)
// The network scan's tree steps; wParam the scan thread's token for a group.
#define WM_NETWORK_STEP (WM_USER + 3)
// Posted: list the messages that arrived while a command held the list.
#define WM_LIST_DEFERRED (WM_USER + 4)
// Sent by the receiver around a run of inserts that follow each other at once
// (more datagrams waited): the list is not repainted in between.
#define WM_INSERT_RUN_BEGIN (WM_USER + 5)
#define WM_INSERT_RUN_OVER (WM_USER + 6)
