#pragma once

// Each peer connection costs a descriptor; the default soft limit of 1024
// would let a burst of idle connections lock out real senders. Raises the
// soft limit to the hard one; called once at start.
void raiseOpenFileLimit();

// Descriptor numbers from which the servers stop accepting: below the soft
// limit by a reserve for files, the history, datagrams and outgoing
// connections, so that none of them ever finds the table full.
int acceptMark();
// Accepting starts again once no more than this many descriptors are open.
int acceptResumeMark();
// Descriptors open in this process, or -1 when the system does not say.
int openDescriptorCount();
