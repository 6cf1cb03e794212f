/* The floor for glossel-render: read a file, make one table-lookup pass over its bytes
   into an output buffer (RTF-like: a short style word whenever the byte class changes,
   braces and backslashes escaped), and write the buffer. No lexing: nothing real can
   be faster than this by much.

   usage: bench_floor FILE OUT */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bench_floor FILE OUT\n");
        return 1;
    }
    FILE* in = fopen(argv[1], "rb");
    if (!in) { perror(argv[1]); return 2; }
    fseek(in, 0, SEEK_END);
    long size = ftell(in);
    fseek(in, 0, SEEK_SET);
    unsigned char* text = malloc((size_t)size + 1);
    if (!text || fread(text, 1, (size_t)size, in) != (size_t)size) { perror("read"); return 2; }
    fclose(in);

    unsigned char cls[256];
    for (int c = 0; c < 256; ++c)
        cls[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? 1 : (c >= '0' && c <= '9') ? 2 : 0;
    static const char* words[3] = {"\\cf1 ", "\\cf2 ", "\\cf3 "};

    char* out = malloc((size_t)size * 4 + 64);
    if (!out) { perror("malloc"); return 2; }
    char* w = out;
    int last = -1;
    for (long i = 0; i < size; ++i) {
        unsigned char c = text[i];
        int k = cls[c];
        if (k != last) {
            size_t n = strlen(words[k]);
            memcpy(w, words[k], n);
            w += n;
            last = k;
        }
        if (c == '\\' || c == '{' || c == '}') *w++ = '\\';
        *w++ = (char)c;
    }
    FILE* f = fopen(argv[2], "wb");
    if (!f || fwrite(out, 1, (size_t)(w - out), f) != (size_t)(w - out) || fclose(f) != 0) {
        perror(argv[2]);
        return 2;
    }
    free(out);
    free(text);
    return 0;
}
