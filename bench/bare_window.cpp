// The floor for the CPU measurement: a bare SDL window (800 x 600 unless
// given) with the OpenGL renderer that only clears and presents at vertical
// sync, nothing else. Whatever a real program costs beyond this is its own.
//
//   bare_window [SECONDS [WIDTH HEIGHT]]
// Runs until the window is closed, Escape is pressed, or SECONDS (0: no
// limit) have passed.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const Uint32 seconds = argc > 1 ? static_cast<Uint32>(std::atoi(argv[1])) : 0;
    const int width = argc > 3 ? std::atoi(argv[2]) : 800;
    const int height = argc > 3 ? std::atoi(argv[3]) : 600;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "bare_window: the size %s x %s is no window size\n", argv[2], argv[3]);
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_Window* win =
        SDL_CreateWindow("bare_window", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, 0);
    SDL_Renderer* ren =
        win ? SDL_CreateRenderer(win, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC) : nullptr;
    if (ren == nullptr) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    const Uint32 start = SDL_GetTicks();
    bool done = false;
    while (!done) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (e.type == SDL_QUIT)
                done = true;
            if (e.type == SDL_KEYDOWN && e.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
                done = true;
        }
        if (seconds > 0 && SDL_GetTicks() - start >= seconds * 1000)
            done = true;
        SDL_SetRenderDrawColor(ren, 0, 0, 0, 255);
        SDL_RenderClear(ren);
        SDL_RenderPresent(ren);
    }
    SDL_DestroyRenderer(ren);
    SDL_DestroyWindow(win);
    SDL_Quit();
    return 0;
}
