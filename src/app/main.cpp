#include "app/CommandLine.h"

int main(int argc, char **argv)
{
    return orb::CommandLine::main(argc, argv);
}
