#include "shell/shell.h"

int main(int argc, char **argv) { return krag_main(argc, argv); }
