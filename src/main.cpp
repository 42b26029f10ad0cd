#include "app/cli.h"

int main(int argc, char** argv) { return klvc::run_cli(argc, argv); }
