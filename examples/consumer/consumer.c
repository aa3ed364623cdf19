/* Writes one small material set with the installed library:
 *   consumer OUTDIR   ->  OUTDIR/stone_diff.png, _nmap, _spec, _rough, _metal */
#include <proctex.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: consumer OUTDIR\n");
        return 2;
    }
    if (TestDLL() != 42) {
        fprintf(stderr, "consumer: TestDLL did not answer 42\n");
        return 1;
    }
    wchar_t path[1024];
    if (swprintf(path, sizeof path / sizeof path[0], L"%s/stone.png", argv[1]) < 0) return 2;
    if (GenerateTexture(64, 64, 0, 32.0f, 5, 0.5f, 2.0f, 4, 0, 0.0f, 0, 0.0f, 0.0f, 1234, 1.0f,
                        0.0f, 0, 0, 4.0f, 0.5f, 1, 1, path) != 1) {
        fprintf(stderr, "consumer: GenerateTexture failed\n");
        return 1;
    }
    printf("consumer: wrote %s/stone_*.png\n", argv[1]);
    return 0;
}
