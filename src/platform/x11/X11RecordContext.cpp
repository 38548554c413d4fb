#include "X11RecordContext.h"

#include "X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

unsigned long createRecordContext(Display *control, int firstEvent, int lastEvent, int firstDelivered,
                                  int lastDelivered)
{
    XRecordRange *const range = XRecordAllocRange();
    if (!range)
        return 0;
    range->device_events.first = static_cast<unsigned char>(firstEvent);
    range->device_events.last = static_cast<unsigned char>(lastEvent);
    range->delivered_events.first = static_cast<unsigned char>(firstDelivered);
    range->delivered_events.last = static_cast<unsigned char>(lastDelivered);
    XRecordClientSpec clients = XRecordAllClients;
    XRecordRange *ranges[] = {range};
    XRecordContext context = 0;
    {
        X11ErrorTrap trap(control);
        context = XRecordCreateContext(control, 0, &clients, 1, ranges, 1);
        if (trap.sync() != 0)
            context = 0;
    }
    XFree(range);
    return context;
}
