#pragma once

class IncomingBrowser;

// The incoming view as a screen reader gets it: its text with every picture
// as the smiley code it was drawn for, all offsets counted in that text
// (ReadingOffsets), and each change announced in the same terms, so a
// received message is read out as it was written.
namespace IncomingAccessible {

// Once per view, when its document is set; the view's reading offsets must
// have been made before the document was set.
void attach(IncomingBrowser *view);

} // namespace IncomingAccessible
