#include "platform/Console.h"

// Standard streams carry bytes unchanged here already.
Utf8StandardStreams::Utf8StandardStreams() = default;
Utf8StandardStreams::~Utf8StandardStreams() = default;
