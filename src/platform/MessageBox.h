#pragma once

// A modal box with one OK button that blocks until dismissed. The same text also goes to
// standard error as "caption: text", so a terminal or a machine without a display still sees it.
// A null caption means the system's default title, "Error".
void showMessageBox(const char* text, const char* caption = nullptr);

// Replaces the modal box (not the standard-error line): tests record the boxes, batch tools
// drop them. nullptr brings the real box back.
using MessageBoxHandler = void (*)(const char* text, const char* caption);
void setMessageBoxHandler(MessageBoxHandler handler);
