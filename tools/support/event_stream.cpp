#include "event_stream.h"

Event EventStream::next()
{
    const uint32_t roll = static_cast<uint32_t>(random_() % 100);
    Event event;
    if (roll < 60)
    {
        const uint32_t size = static_cast<uint32_t>(random_() % 100);
        const uint32_t word = static_cast<uint32_t>(random_());
        event.millis = size < 85   ? word % 50
                       : size < 95 ? word % 1000
                       : size < 99 ? word % 10000
                                   : word % (3u * 86400000u);
        return event;
    }
    const EventKind commands[] = {EventKind::MoveLeft, EventKind::MoveRight,
                                  EventKind::CycleColours, EventKind::SoftDrop,
                                  EventKind::HardDrop};
    event.kind = commands[roll % 5];
    return event;
}
