/* A tunnel component that follows a script, for the phone's tests. Read at each call:
   ZUVO_TEST_TUNNEL_START "fail" makes the start fail; ZUVO_TEST_TUNNEL_STATUS is the status
   sequence ("1,1,2"; the last one repeats); every call is noted in ZUVO_TEST_TUNNEL_LOG. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/plugin_abi.h"

static int g_object;
static int g_polls;

static void Note(const char* a, const char* b, const char* c) {
    const char* path = getenv("ZUVO_TEST_TUNNEL_LOG");
    FILE* file = path != NULL ? fopen(path, "a") : NULL;
    if (file != NULL) {
        fprintf(file, "%s%s%s%s%s\n", a, b ? " " : "", b ? b : "", c ? " " : "", c ? c : "");
        fclose(file);
    }
}

static void Copy(char* buffer, uint32_t size, const char* text) {
    if (size > 0) {
        strncpy(buffer, text, size - 1);
        buffer[size - 1] = 0;
    }
}

static void* Create(void) {
    return &g_object;
}
static void Destroy(void* self) {
    (void)self;
    Note("destroy", NULL, NULL);
}
static int Start(void* self) {
    const char* start = getenv("ZUVO_TEST_TUNNEL_START");
    (void)self;
    g_polls = 0;
    Note("start", NULL, NULL);
    return start != NULL && strcmp(start, "fail") == 0 ? -1 : 0;
}
static int Stop(void* self) {
    (void)self;
    Note("stop", NULL, NULL);
    return 0;
}
static int Status(void* self, int32_t* status) {
    const char* script = getenv("ZUVO_TEST_TUNNEL_STATUS");
    int index = 0;
    (void)self;
    *status = 2;
    while (script != NULL && *script != 0) {
        *status = atoi(script);
        if (index == g_polls) {
            break;
        }
        script = strchr(script, ',');
        if (script == NULL) {
            break;
        }
        ++script;
        ++index;
    }
    ++g_polls;
    Note("status", NULL, NULL);
    return 0;
}
static int AddRoute(void* self, const char* name, const char* value) {
    (void)self;
    Note("route", name, value);
    return 0;
}
static int ClearRoutes(void* self) {
    (void)self;
    Note("clear", NULL, NULL);
    return 0;
}
static int Version(void* self, char* buffer, uint32_t size) {
    (void)self;
    Copy(buffer, size, "ScriptVPN 1.0 build 12345");
    return 0;
}
static int Info(void* self, char* buffer, uint32_t size) {
    (void)self;
    Copy(buffer, size, "tun-test");
    return 0;
}
static int Connect(void* self, const char* key, const char* host, char* address, uint32_t size) {
    (void)self;
    Note("connect", host, key != NULL && key[0] != 0 ? "with-key" : "no-key");
    Copy(address, size, "127.0.0.77");
    return 0;
}

static const ZuvoTunnelTable g_table = {Create,   Destroy,     Start,   Stop, Status,
                                        AddRoute, ClearRoutes, Version, Info, Connect};
static const ZuvoPluginDescriptor g_descriptor = {ZUVO_PLUGIN_ABI_VERSION, ZUVO_TUNNEL_INTERFACE_ID,
                                                  sizeof g_table, &g_table};

__attribute__((visibility("default"))) const ZuvoPluginDescriptor* zuvo_plugin_entry(void) {
    return &g_descriptor;
}
