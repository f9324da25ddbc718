#include "driver/options.h"

int main(int argc, char** argv) {
  gadrin::Settings settings = gadrin::parse_command_line(argc, argv);
  (void)settings;
  return 0;
}
