/* A small handset component for the loader's tests; the build makes one library per fault. */
#include <stddef.h>
#include <string.h>

#include "platform/plugin_abi.h"

static int g_object;

static void* Create(void) {
    return &g_object;
}
static void Destroy(void* self) {
    (void)self;
}
static int Register(void* self, ZuvoHandsetCallback callback, void* context) {
    (void)self;
    (void)callback;
    (void)context;
    return 0;
}
static int Information(void* self, unsigned char* buffer, uint32_t size) {
    (void)self;
    if (size < ZUVO_HANDSET_INFO_SIZE) {
        return -1;
    }
    memset(buffer, 0, size);
    memcpy(buffer, "Test Handset", 12);
    return 0;
}
static int Reserved(void* self) {
    (void)self;
    return 0;
}
static int SetProperty(void* self, int id, int value) {
    (void)self;
    return id * 100 + value;
}

static const ZuvoHandsetTable g_table = {Create,      Destroy,  Register,
                                         Information, Reserved, SetProperty};

#ifndef TEST_ABI
#define TEST_ABI ZUVO_PLUGIN_ABI_VERSION
#endif
#ifndef TEST_INTERFACE
#define TEST_INTERFACE ZUVO_HANDSET_INTERFACE_ID
#endif
#ifndef TEST_TABLE_SIZE
#define TEST_TABLE_SIZE sizeof g_table
#endif

static const ZuvoPluginDescriptor g_descriptor = {TEST_ABI, TEST_INTERFACE, TEST_TABLE_SIZE,
                                                  &g_table};

#ifndef TEST_NO_ENTRY
__attribute__((visibility("default"))) const ZuvoPluginDescriptor* zuvo_plugin_entry(void) {
    return &g_descriptor;
}
#else
__attribute__((visibility("default"))) const ZuvoPluginDescriptor* other_entry(void) {
    return &g_descriptor;
}
#endif
