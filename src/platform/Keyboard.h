#pragma once

// Latches every Escape press as SDL pumps it, so a press that still waits in the queue behind
// other events (or was released again already) is not missed. Call once after the window exists.
void watchEscapeKey();

// True when Escape is down now or was pressed since the previous call.
bool escapePressed();
