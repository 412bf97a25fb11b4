#pragma once
// Modal message boxes. Code below the application (the assertion log, for one) shows its
// boxes through here; the front end in use installs the way they are shown. Until one
// does, boxes go to the console: one line on stderr, answered at once.

enum class MessageIcon { Error, Information };
enum class MessageButtons { Ok, RetryCancel };
enum class MessageResult { Ok, Retry, Cancel };

using MessageBoxHandler = MessageResult (*)(const char* caption, const char* text, MessageIcon icon,
                                            MessageButtons buttons);

MessageResult showMessageBox(const char* caption, const char* text, MessageIcon icon,
                             MessageButtons buttons);

// Installs the front end's way of showing boxes; null restores the console. Returns the
// handler that was installed before.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The console's answer: "<caption>: <text>" on stderr, control characters escaped; OK, or
// Cancel where there is a choice.
MessageResult consoleMessageBox(const char* caption, const char* text, MessageIcon icon,
                                MessageButtons buttons);
