#include "app/ProgramRun.h"

int main(int argc, char **argv)
{
    return plandor::runProgram(argc, argv);
}
