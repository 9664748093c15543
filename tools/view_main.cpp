// quorrin-view FILE: lists FILE's named exports into Notepad, as the run
// button does, with the real viewer and the real message boxes (owned by no
// window). Exits 0 when the listing was written, 1 after a message. On
// success the viewer's process id goes to standard output, so a caller can
// find the Notepad that this run wrote to.
#include <cstdio>
#include <cstring>

#include "exports/exports.h"
#include "viewer/viewer.h"

int main(int argc, char **argv)
{
    if (argc != 2 || strlen(argv[1]) >= MAX_PATH) {
        fprintf(stderr, "usage: quorrin-view FILE (a path of at most 259 bytes)\n");
        return 2;
    }
    if (!ListExports(nullptr, argv[1]))
        return 1;
    printf("viewer process %lu\n", (unsigned long)ViewerProcessId);
    return 0;
}
