#pragma once

class IncomingBrowser;

// Each change of the incoming view announced to screen readers as its
// accessible interface (IncomingBrowserAccessible) reads it: every picture as
// the smiley code it was drawn for, offsets counted in that text
// (ReadingOffsets), so a received message is read out as it was written.
namespace IncomingAccessible {

// Once per view, when its document is set; the view's reading offsets must
// have been made before the document was set.
void attach(IncomingBrowser *view);

} // namespace IncomingAccessible
