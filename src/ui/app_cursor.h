// The one application-wide cursor: it shows over every part of the window,
// whatever control lies under the mouse. Wait and cross-hair are one
// override cursor (never stacked); the arrow removes it, so every control
// shows its own cursor again (the I-beam over a text field).
#pragma once

enum class AppCursor { Arrow, Wait, Cross };

void SetAppCursor(AppCursor cursor);

// The shape now in force (Arrow when no override cursor is set).
AppCursor CurrentAppCursor();
