#pragma once

typedef struct _XDisplay Display;

// A RECORD context on `control` for the device events firstEvent..lastEvent of every client, and the events
// firstDelivered..lastDelivered delivered to any client (none when both are 0); 0 when the server refuses it.
unsigned long createRecordContext(Display *control, int firstEvent, int lastEvent, int firstDelivered = 0,
                                  int lastDelivered = 0);
