// quorvanctl: the headless front end over the core.
#include <cstdio>

int main(int argc, char** argv)
{
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvanctl [--settings FILE] [--port PORT] [--record FILE] [--timed] COMMAND [ARGS]\n");
        return 2;
    }
    std::fprintf(stderr, "quorvanctl: unknown command\n");
    return 2;
}
