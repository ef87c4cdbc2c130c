#pragma once

// Each peer connection costs a descriptor; the default soft limit of 1024 would
// let a burst of idle connections lock out real senders.
void raiseOpenFileLimit();
