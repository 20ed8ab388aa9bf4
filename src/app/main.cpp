#include "app/book.h"

int main(int argc, char** argv) { return RunBookApp(argc, argv); }
