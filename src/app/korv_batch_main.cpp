// korv-batch: KORV's analyses from the command line.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch/CommandLine.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  return korv::batch::RunCommandLine({argv + 1, argv + argc}, std::cout, std::cerr);
}
