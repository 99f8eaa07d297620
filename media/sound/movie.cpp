// Movie handles: no movie can be opened yet, so every handle is bad and
// there is nothing to pause, resume or place.
#include "media/sound/movie.hpp"

int RedrawOverlayMovies()
{
    return 0;
}

int ResumeDeactivatedMovies()
{
    return 0;
}

int PauseAllMovies()
{
    return 0;
}

int OpenMovie(const char*, int*, int*, int)
{
    return -1;
}

int CloseMovie(int)
{
    return -1;
}

MOVIEDATA* GetMovieData(int)
{
    return nullptr;
}

void UpdateMovieFrame(int, int) {}

int SetMovieFrameCallback(int, int (*)(MOVIEDATA*, void*), void*)
{
    return -1;
}
