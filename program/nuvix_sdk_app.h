// The application object: runs the main dialog modally, or the tour.
#pragma once

class CNuvixSdkApp {
 public:
  // Returns the process exit code.
  int Run(int argc, char** argv);
};
