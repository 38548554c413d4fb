#pragma once

typedef struct _XDisplay Display;

// A RECORD context on `control` for the device events firstEvent..lastEvent of every client; 0 when the
// server refuses it.
unsigned long createRecordContext(Display *control, int firstEvent, int lastEvent);
