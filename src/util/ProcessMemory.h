#pragma once

// Keeps memory the process frees for its next allocations instead of handing it back to the
// system at once. Sending a message or reading a ledger allocates and frees buffers of
// hundreds of kilobytes over and over; given back each time, every reuse costs the system a
// fresh set of zeroed pages (measured: composing a three-PDF message took five times as long).
// At most 64 MiB is kept beyond what is in use. Call once, at program start.
void KeepFreedMemoryForReuse();
