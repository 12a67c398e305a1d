#include "app/TStillexApplication.h"

int main(int argc, char** argv)
{
    return StillexMain(argc, argv);
}
