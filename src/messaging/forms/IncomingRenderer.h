#pragma once

#include <functional>

class IncomingView;
struct IncomingEntry;

// Lays a received message out in the incoming view: the header, the text with
// its smiley pictures when asked for, and the empty line after a message with
// pictures. scrollToEnd runs once the message is laid out, when the entry asks.
namespace IncomingRenderer {

void render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd);

} // namespace IncomingRenderer
