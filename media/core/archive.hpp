// Archives and the archive-aware file access.
#pragma once

// Closes the archives no file refers to any more; 0.
int CloseUnusedArchives();
