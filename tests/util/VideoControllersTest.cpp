// The video controllers come from a device tree laid out like Linux's /sys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/VideoControllers.h"

namespace {

namespace fs = std::filesystem;

class VideoControllersTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        tree = machine.machine().Root() + "/sys";
        machine.profile().deviceTreeRoot = tree;
    }
    void Put(const std::string& relative, const std::string& text) {
        fs::create_directories(fs::path(tree + "/" + relative).parent_path());
        std::ofstream(tree + "/" + relative) << text << "\n";
    }
    // A device folder with its ids and, when `driver` is given, a driver link.
    void Device(const std::string& folder, const char* pciClass, const char* vendor, const char* device,
                const std::string& driver) {
        Put(folder + "/class", pciClass);
        Put(folder + "/vendor", vendor);
        Put(folder + "/device", device);
        if (!driver.empty()) {
            fs::create_directories(tree + "/bus/pci/drivers/" + driver);
            fs::create_directory_symlink(tree + "/bus/pci/drivers/" + driver, tree + "/" + folder + "/driver");
        }
    }
    static std::string KernelRelease() {
        std::ifstream in("/proc/sys/kernel/osrelease");
        std::string line;
        std::getline(in, line);
        return line;
    }
    static bool HasPciIds() { return fs::exists("/usr/share/misc/pci.ids"); }
    std::string tree;
};

TEST_F(VideoControllersTest, DisplayClassDevicesOfThePciListWithTheirDrivers) {
    Device("bus/pci/devices/0000:00:02.0", "0x030000", "0x8086", "0x46a6", "i915");
    Device("bus/pci/devices/0000:00:1f.6", "0x020000", "0x8086", "0x15fc", "e1000e");  // a network card
    Device("bus/pci/devices/0000:01:00.0", "0x030200", "0x10de", "0x2504", "nvidia");
    Device("bus/pci/devices/0000:02:00.0", "0x038000", "0x1234", "0x1111", "");  // no driver bound
    Put("module/nvidia/version", "550.54.14");
    std::vector<VideoControllerRecord> controllers{{"stale", "entry"}};
    ASSERT_EQ(GetVideoControllers(controllers), S_OK);
    ASSERT_EQ(controllers.size(), 3u);
    const std::vector<VideoControllerRecord> expected = {
        {"Intel display controller 8086:46a6", KernelRelease()},
        {"NVIDIA display controller 10de:2504", "550.54.14"},
        {"QEMU display controller 1234:1111", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        if (!HasPciIds()) {
            EXPECT_EQ(controllers[i].first, expected[i].first);
        }
        EXPECT_FALSE(controllers[i].first.empty());
        EXPECT_EQ(controllers[i].second, expected[i].second);
    }
    // The query appends to what the caller holds.
    EXPECT_EQ(QueryVideoControllers(RPC_C_IMP_LEVEL_IMPERSONATE, controllers), S_OK);
    EXPECT_EQ(controllers.size(), 6u);
}

TEST_F(VideoControllersTest, DrmCardsWhenNoPciDisplayDevice) {
    Device("devices/platform/vkms/card0-dev", "0x000000", "0x1af4", "0x1050", "virtio_gpu");
    fs::create_directories(tree + "/class/drm/card0");
    fs::create_directory_symlink(tree + "/devices/platform/vkms/card0-dev", tree + "/class/drm/card0/device");
    fs::create_directories(tree + "/class/drm/card0-Virtual-1");  // a connector, not a card
    Put("module/virtio_gpu/version", "0.1");
    std::vector<VideoControllerRecord> controllers;
    ASSERT_EQ(GetVideoControllers(controllers), S_OK);
    ASSERT_EQ(controllers.size(), 1u);
    if (!HasPciIds()) {
        EXPECT_EQ(controllers[0].first, "Red Hat display controller 1af4:1050");
    }
    EXPECT_EQ(controllers[0].second, "0.1");

    fs::remove_all(tree);
    EXPECT_EQ(GetVideoControllers(controllers), S_OK);  // a machine without any: an empty list
    EXPECT_TRUE(controllers.empty());
}

TEST_F(VideoControllersTest, TheLocatorKnowsOneNamespaceAndOneQuery) {
    IWbemLocator* locator = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                               reinterpret_cast<void**>(&locator)),
              S_OK);
    IWbemServices* services = nullptr;
    BSTR other = SysAllocString(L"ROOT\\DEFAULT");
    EXPECT_EQ(locator->ConnectServer(other, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services),
              WBEM_E_INVALID_NAMESPACE);
    SysFreeString(other);
    BSTR space = SysAllocString(L"root\\cimv2");
    ASSERT_EQ(locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services), S_OK);
    SysFreeString(space);
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM Win32_Processor");
    IEnumWbemClassObject* objects = nullptr;
    EXPECT_EQ(services->ExecQuery(language, query, 0, nullptr, &objects), WBEM_E_INVALID_QUERY);
    EXPECT_EQ(objects, nullptr);
    SysFreeString(language);
    SysFreeString(query);
    services->Release();
    locator->Release();
}

}  // namespace
