#include "platform/Platform.h"

#include <stdexcept>

std::unique_ptr<Platform> createPlatform()
{
    throw std::runtime_error("no X11 backend yet");
}
