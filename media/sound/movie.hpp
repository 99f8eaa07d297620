// Movie handles (kind 3): files played as movies and their frames.
#pragma once

struct MOVIEDATA;

// Re-places the overlay movies at their window positions; 0.
int RedrawOverlayMovies();
// Restarts the movies that the window's deactivation paused; 0.
int ResumeDeactivatedMovies();
// Pauses every open movie, keeping that it was playing; 0.
int PauseAllMovies();
// Opens a file as a movie: its handle with the frame size, or -1.
int OpenMovie(const char* path, int* width, int* height, int option);
// 0, or -1 for a handle that is not a live movie.
int CloseMovie(int movie);
// The movie's record, or null for a bad handle.
MOVIEDATA* GetMovieData(int movie);
// Brings the movie to its current frame; nothing for a bad handle.
void UpdateMovieFrame(int movie, int flag);
// 0, or -1 for a bad handle.
int SetMovieFrameCallback(int movie, int (*callback)(MOVIEDATA* movie, void* user), void* user);
