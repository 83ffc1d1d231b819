#include "event_driver.h"

#include "app/clock.h"
#include "play_field.h"

namespace
{
uint32_t readMillis(const uint8_t* data, size_t size, size_t& offset, size_t bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes && offset < size; ++i)
    {
        value |= static_cast<uint32_t>(data[offset++]) << (8 * i);
    }
    return value;
}
}  // namespace

bool decodeEvent(const uint8_t* data, size_t size, size_t& offset, Event& event)
{
    if (offset >= size)
    {
        return false;
    }
    const uint8_t code = data[offset++] % 8;
    event = Event{};
    switch (code)
    {
        case 0:
            event.millis = readMillis(data, size, offset, 1);
            break;
        case 1:
            event.millis = readMillis(data, size, offset, 2);
            break;
        case 2:
            event.millis = readMillis(data, size, offset, 4);
            break;
        default:
            event.kind = static_cast<EventKind>(code - 2);
            break;
    }
    return true;
}

EventDriver::EventDriver(uint32_t seed, bool arcade) : game_(newSeededGame(seed))
{
    if (arcade)
    {
        game_->startArcade(nullptr);
    }
    // The frame time is global: without this a command before the first frame would use the
    // last frame of the previous run, and a saved fuzz input would not replay on its own.
    g_frameSeconds = 0.0f;
    failure_ = invariantViolation(*game_);
}

EventDriver::~EventDriver()
{
    delete game_;
}

bool EventDriver::apply(const Event& event)
{
    if (!failure_.empty() || game_->state == GameOver)
    {
        return false;
    }
    switch (event.kind)
    {
        case EventKind::Frame:
            g_frameSeconds = millisToSeconds(event.millis);
            game_->update();
            ++frames_;
            break;
        case EventKind::MoveLeft:
            game_->moveLeft();
            break;
        case EventKind::MoveRight:
            game_->moveRight();
            break;
        case EventKind::CycleColours:
            game_->cycleColours();
            break;
        case EventKind::SoftDrop:
            game_->softDrop();
            break;
        case EventKind::HardDrop:
            game_->hardDrop();
            break;
    }
    failure_ = invariantViolation(*game_);
    return failure_.empty() && game_->state != GameOver;
}
