// The on-screen log: up to 80 lines drawn over the picture at flip time.
#pragma once

// Line height 16, the 80 lines cleared, the log hidden; its font is made when
// the log is first drawn. Returns 0.
int StartScreenLog();
// 1 while the on-screen log is shown; nothing shows it.
int IsScreenLogShown();
