// Command and control ids and the rights line, shared by the resource script
// and the code.
#pragma once

#define IDM_OPEN 100
#define IDM_EXIT 101
#define IDM_HELP 102
#define IDM_SYSFOLDER 103
#define IDM_ABOUT 104

#define IDC_BROWSE 200
#define IDC_RUN 201
#define IDC_QUIT 202
#define IDC_PATH 300

// The version block's LegalCopyright and the about box's second text.
#define QUORRIN_RIGHTS "Copyright (C) Quorrin Works"
