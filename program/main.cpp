#include "nuvix_sdk_app.h"

int main(int argc, char** argv) { return CNuvixSdkApp().Run(argc, argv); }
