#include "Programme.h"

int main(int argc, char **argv) { return velmora::hote::Principal(argc, argv); }
