#pragma once

// Hands the memory the program has freed back to the system. After a scan of a large disc, the
// next scan starts from what it needs, not from the high-water mark of the last.
void releaseFreedMemory();
