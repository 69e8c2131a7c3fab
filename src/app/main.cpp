#include "app/StartUp.h"

int main(int argc, char **argv)
{
    return korvane::runProgram(argc, argv);
}
