// A notepad.exe that someone left in a folder: when it runs, it leaves a
// file named "notepad-ran" in its current folder, and ends.
#include <cstdio>

int main()
{
    if (std::FILE *mark = std::fopen("notepad-ran", "w"))
        std::fclose(mark);
    return 0;
}
