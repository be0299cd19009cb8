// The background picture: read into the background buffer at start-up and
// again whenever the display gave its surfaces back empty.
#pragma once

// Reads the picture into the active buffer and keeps the file's bytes as
// they were, for when the file cannot be read later.
void load_background();
// Reads the picture again; if the file is gone or unreadable by now, the
// picture comes back from the bytes kept at start-up instead. False when
// there was no memory to read it with: the buffer holds no picture yet.
bool reload_background();
void forget_background();
