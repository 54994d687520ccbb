// Unloading the library destroys the boards still alive; loading it again
// starts from an empty board table. The library is loaded by hand here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvix_trace.h"

namespace {

std::vector<std::string> g_lines;
void Record(const char* text) { g_lines.emplace_back(text); }

using CreateFn = int32_t (*)(int32_t, int32_t*, int32_t, void*, void*, void*);
using DeleteFn = int32_t (*)(int32_t);

struct Library {
  void* handle = dlopen(ZMB_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  CreateFn create = handle ? reinterpret_cast<CreateFn>(dlsym(handle, "ZMB_CREATE_BOARD")) : nullptr;
  DeleteFn destroy = handle ? reinterpret_cast<DeleteFn>(dlsym(handle, "ZMB_DELETE_BOARD")) : nullptr;
  int32_t Create() const {
    int32_t index = 0;
    return create(0, &index, 1, nullptr, nullptr, nullptr) == 128 ? index : -1;
  }
};

TEST(ZmbUnload, BoardsStillAliveAreDestroyedAndTheTableStartsEmptyAgain) {
  // The drawing libraries stay loaded, as they would in a program that uses
  // them itself; only the renderer comes and goes.
  for (const char* name : {"libcairo.so.2", "libfontconfig.so.1", "libfreetype.so.6", "libpixman-1.so.0"}) {
    ASSERT_NE(dlopen(name, RTLD_NOW | RTLD_NODELETE), nullptr) << dlerror();
  }
  NuvixSetTraceSink(&Record);
  {
    Library lib;
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    ASSERT_NE(lib.create, nullptr);
    EXPECT_EQ(lib.Create(), 1);
    EXPECT_EQ(lib.Create(), 2);
    EXPECT_EQ(lib.Create(), 3);
    EXPECT_EQ(lib.destroy(2), 128);
    ASSERT_EQ(dlclose(lib.handle), 0);
  }
  EXPECT_EQ(dlopen(ZMB_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
  EXPECT_EQ(g_lines, (std::vector<std::string>{"ZMB BOARD 1 DESTROYED AT UNLOAD \r\n",
                                               "ZMB BOARD 3 DESTROYED AT UNLOAD \r\n"}));

  Library again;
  ASSERT_NE(again.handle, nullptr) << dlerror();
  EXPECT_EQ(again.Create(), 1);
  EXPECT_EQ(again.destroy(1), 128);
  EXPECT_EQ(again.destroy(3), 17);
  dlclose(again.handle);
  NuvixSetTraceSink(nullptr);
}

}  // namespace
