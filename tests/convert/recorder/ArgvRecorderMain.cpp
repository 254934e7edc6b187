// Writes the arguments it was started with to "argv.txt" in its working folder: each one
// followed by a NUL byte, so that spaces, quotes and "*" show exactly as received. The file
// appears complete or not at all.
#include <cstdio>

int main(int argc, char **argv)
{
    std::FILE *file = std::fopen("argv.txt.part", "wb");
    if (!file)
        return 1;
    for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], file);
        std::fputc('\0', file);
    }
    if (std::fclose(file) != 0)
        return 1;
    return std::rename("argv.txt.part", "argv.txt") == 0 ? 0 : 1;
}
