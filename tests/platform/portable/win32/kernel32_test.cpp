#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "../../../support/platform_fixture.h"
#include "platform/win32.h"

namespace {

class Kernel32Test : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        path_ = ::testing::TempDir() + "kernel32_test_" + std::to_string(::getpid()) + ".bin";
        std::ofstream out(path_, std::ios::binary);
        for (int i = 0; i < 10000; ++i) out.put(static_cast<char>(i % 251));
    }
    void TearDown() override {
        std::remove(path_.c_str());
        PlatformTest::TearDown();
    }
    HANDLE open() {
        return CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    std::string path_;
};

TEST_F(Kernel32Test, ReadsAFileInBlocksAndReportsEndAsZeroBytes) {
    HANDLE file = open();
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    unsigned char block[4096];
    DWORD read = 12345;
    ASSERT_TRUE(ReadFile(file, block, sizeof block, &read, nullptr));
    EXPECT_EQ(read, 4096u);
    EXPECT_EQ(block[300], 300 % 251);
    ASSERT_TRUE(ReadFile(file, block, sizeof block, &read, nullptr));
    ASSERT_TRUE(ReadFile(file, block, sizeof block, &read, nullptr));
    EXPECT_EQ(read, 10000u - 8192u);
    EXPECT_EQ(block[0], 8192 % 251);
    ASSERT_TRUE(ReadFile(file, block, sizeof block, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(platform::open_file_count(), 0u);
}

TEST_F(Kernel32Test, SeeksFromTheEndAndFromTheStart) {
    HANDLE file = open();
    EXPECT_EQ(SetFilePointer(file, -769, nullptr, FILE_END), 10000u - 769u);
    unsigned char byte = 0;
    DWORD read = 0;
    ReadFile(file, &byte, 1, &read, nullptr);
    EXPECT_EQ(byte, (10000 - 769) % 251);
    EXPECT_EQ(SetFilePointer(file, 128, nullptr, FILE_BEGIN), 128u);
    ReadFile(file, &byte, 1, &read, nullptr);
    EXPECT_EQ(byte, 128);
    // A move before the start fails and leaves the position alone.
    EXPECT_EQ(SetFilePointer(file, -20000, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    ReadFile(file, &byte, 1, &read, nullptr);
    EXPECT_EQ(byte, 129);
    CloseHandle(file);
}

TEST_F(Kernel32Test, MissingFilesDirectoriesAndBadHandlesFailWithoutCrashing) {
    EXPECT_EQ(CreateFileA("no-such-file.pcx", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    // Anything but a regular file fails at once: a directory, a device, and
    // a named pipe nobody writes to (opening it blocking would hang here).
    const std::string fifo = path_ + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& other : {::testing::TempDir(), std::string("/dev/null"), fifo}) {
        for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
            EXPECT_EQ(CreateFileA(other.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE)
                << other;
        }
    }
    std::remove(fifo.c_str());
    EXPECT_EQ(platform::open_file_count(), 0u);
    unsigned char byte;
    DWORD read = 7;
    EXPECT_FALSE(ReadFile(nullptr, &byte, 1, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &read, nullptr));
    EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(CloseHandle(nullptr));
    HANDLE file = open();
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));  // a handle closes once
}

TEST_F(Kernel32Test, GlobalBlocksAreZeroFilledAndFreedThroughTheirHandle) {
    auto* block = static_cast<unsigned char*>(GlobalAlloc(GPTR, 5000));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(block[i], 0);
    EXPECT_EQ(platform::global_block_count(), 1u);
    HGLOBAL handle = GlobalHandle(block);
    EXPECT_EQ(GlobalFree(handle), nullptr);
    EXPECT_EQ(platform::global_block_count(), 0u);
    int unknown = 0;
    EXPECT_EQ(GlobalHandle(&unknown), nullptr);
    EXPECT_EQ(GlobalFree(&unknown), static_cast<HGLOBAL>(&unknown));  // failure hands the handle back
}

TEST_F(Kernel32Test, ModulesLoadByNameWithoutCaseAndCountReferences) {
    HMODULE ddraw = LoadLibraryA("ddraw.dll");
    ASSERT_NE(ddraw, nullptr);
    EXPECT_EQ(LoadLibraryA("DDRAW.DLL"), ddraw);
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 2);
    EXPECT_NE(GetProcAddress(ddraw, "DirectDrawCreate"), nullptr);
    EXPECT_NE(GetProcAddress(ddraw, "DirectDrawCreateEx"), nullptr);
    EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreateExtra"), nullptr);
    EXPECT_TRUE(FreeLibrary(ddraw));
    EXPECT_TRUE(FreeLibrary(ddraw));
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 0);
    EXPECT_FALSE(FreeLibrary(ddraw));  // no longer loaded
    EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreate"), nullptr);
    EXPECT_EQ(LoadLibraryA("NOSUCH.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "DirectDrawCreate"), nullptr);
}

TEST_F(Kernel32Test, VideoForWindowsExportsItsSeventeenEntryPoints) {
    HMODULE avi = LoadLibraryA("AVIFIL32.DLL");
    ASSERT_NE(avi, nullptr);
    const char* names[] = {"AVIFileCreateStreamA",   "AVIFileExit",           "AVIFileInit",
                           "AVIFileOpenA",           "AVIFileRelease",        "AVIMakeCompressedStream",
                           "AVISaveOptions",         "AVISaveOptionsFree",    "AVIStreamGetFrame",
                           "AVIStreamGetFrameClose", "AVIStreamGetFrameOpen", "AVIStreamInfoA",
                           "AVIStreamOpenFromFileA", "AVIStreamReadFormat",   "AVIStreamRelease",
                           "AVIStreamSetFormat",     "AVIStreamWrite"};
    for (const char* name : names) EXPECT_NE(GetProcAddress(avi, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(avi, "AVIFileCreateStreamW"), nullptr);
}

TEST_F(Kernel32Test, ModulesAndExportsCanBeMadeMissing) {
    platform::set_module_available("DDRAW.DLL", false);
    EXPECT_EQ(LoadLibraryA("DDRAW.DLL"), nullptr);
    platform::set_module_available("DDRAW.DLL", true);
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreateEx"), nullptr);
    EXPECT_NE(GetProcAddress(ddraw, "DirectDrawCreate"), nullptr);
}

TEST_F(Kernel32Test, VersionIsOfTheNtFamilyUnlessSetOtherwise) {
    EXPECT_EQ(GetVersion() & 0x80000000u, 0u);
    platform::set_version(0xC0000A04u);
    EXPECT_NE(GetVersion() & 0x80000000u, 0u);
}

}  // namespace
