#include "shell/shell.h"

int main() { return krag_main(); }
