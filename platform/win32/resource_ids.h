// Resource numbers shared by the resource script and the code that loads them.
// Plain macros: the resource compiler reads this file too.
#pragma once

// The program's own icon comes first: shells show the lowest-numbered one.
#define RN_IDI_DIALOG 101
#define RN_IDI_TRAY 102
#define RN_IDB_BADGE 103
