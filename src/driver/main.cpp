#include "driver/options.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  gadrin::Settings settings = gadrin::parse_command_line(argc, argv);
  return gadrin::run_analysis(settings);
}
