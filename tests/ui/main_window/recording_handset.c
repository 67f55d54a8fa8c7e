/* A handset component for the window's tests: it notes each property the phone sets in the file
   named by ZUVO_TEST_HANDSET_LOG, fills every one of the name's 60 bytes, and lets the test
   send events through the phone's callback (as the driver's thread would) with
   recording_handset_fire. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/plugin_abi.h"

static int g_object;
static ZuvoHandsetCallback g_callback;
static void* g_context;

static void Note(const char* text) {
    const char* path = getenv("ZUVO_TEST_HANDSET_LOG");
    FILE* file = path != NULL ? fopen(path, "a") : NULL;
    if (file != NULL) {
        fputs(text, file);
        fclose(file);
    }
}

static void* Create(void) {
    Note("create\n");
    return &g_object;
}
static void Destroy(void* self) {
    (void)self;
    g_callback = NULL;
    Note("destroy\n");
}
static int Register(void* self, ZuvoHandsetCallback callback, void* context) {
    (void)self;
    g_callback = callback;
    g_context = context;
    return 0;
}
static int Information(void* self, unsigned char* buffer, uint32_t size) {
    (void)self;
    if (size < ZUVO_HANDSET_INFO_SIZE) {
        return -1;
    }
    memset(buffer, 'N', size);
    buffer[ZUVO_HANDSET_CAPABILITY_OFFSET] = ZUVO_HANDSET_NO_AEC;
    return 0;
}
static int Reserved(void* self) {
    (void)self;
    return 0;
}
static int SetProperty(void* self, int id, int value) {
    char line[32];
    (void)self;
    snprintf(line, sizeof line, "%d,%d\n", id, value);
    Note(line);
    return 1;
}

static const ZuvoHandsetTable g_table = {Create,      Destroy,  Register,
                                         Information, Reserved, SetProperty};
static const ZuvoPluginDescriptor g_descriptor = {
    ZUVO_PLUGIN_ABI_VERSION, ZUVO_HANDSET_INTERFACE_ID, sizeof g_table, &g_table};

__attribute__((visibility("default"))) const ZuvoPluginDescriptor* zuvo_plugin_entry(void) {
    return &g_descriptor;
}

__attribute__((visibility("default"))) int recording_handset_fire(int code, int pressed,
                                                                  int options) {
    return g_callback != NULL
               ? g_callback(g_context, ZUVO_HANDSET_EVENT_KEY, code, pressed, options, 0)
               : -1;
}
