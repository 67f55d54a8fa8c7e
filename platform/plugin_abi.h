#ifndef ZUVO_PLUGIN_ABI_H
#define ZUVO_PLUGIN_ABI_H

/* The contract between the phone and a component library (the USB handset driver, the tunnel).
   Plain C, so a driver may be built with any compiler. A library exports one function,
   ZUVO_PLUGIN_ENTRY_NAME, that returns a descriptor; the descriptor names the ABI version, the
   interface it implements and a table of operations. Every table starts with create and
   destroy (the object's life), then the interface's operations in their fixed slot order.
   Text crosses in buffers the caller provides, always with their size. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZUVO_PLUGIN_ABI_VERSION 1u
#define ZUVO_PLUGIN_ENTRY_NAME "zuvo_plugin_entry"

typedef struct ZuvoPluginDescriptor {
    uint32_t abi_version;     /* ZUVO_PLUGIN_ABI_VERSION */
    const char* interface_id; /* "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" */
    uint32_t table_size;      /* sizeof the table the library fills */
    const void* table;
} ZuvoPluginDescriptor;

typedef const ZuvoPluginDescriptor* (*ZuvoPluginEntry)(void);

/* The USB handset. */
#define ZUVO_HANDSET_INTERFACE_ID "{0CC5BB93-4A05-45B0-A0EB-454C33C4967A}"
#define ZUVO_HANDSET_INFO_SIZE 64u /* the name at the start, the capability byte at 60 */
#define ZUVO_HANDSET_NAME_SIZE 60u
#define ZUVO_HANDSET_CAPABILITY_OFFSET 60u
#define ZUVO_HANDSET_NO_AEC 0x10u /* capability: a headset, no echo cancellation needed */
#define ZUVO_HANDSET_EVENT_KEY 1  /* the event kind of a key: code, pressed, options */

/* Called on the driver's own thread for each event: kind, key code, pressed (1/0), the
   handset's option flags and one reserved integer. Returns 1 while the phone is closing. */
typedef int (*ZuvoHandsetCallback)(void* context, int kind, int code, int pressed, int options,
                                   int reserved);

typedef struct ZuvoHandsetTable {
    void* (*create)(void);
    void (*destroy)(void* self);
    int (*register_callback)(void* self, ZuvoHandsetCallback callback, void* context);
    int (*get_information)(void* self, unsigned char* buffer, uint32_t size);
    int (*reserved)(void* self);
    int (*set_property)(void* self, int id, int value);
} ZuvoHandsetTable;

/* The tunnel component. The connect interface's one operation sits at the end of the same
   table; a component without it leaves the slot empty. Text is UTF-8; results below 0 fail. */
#define ZUVO_TUNNEL_CLASS_ID "{54E063DF-951E-4BF9-950E-3A7E19E80AD4}"
#define ZUVO_TUNNEL_INTERFACE_ID "{97403651-E367-4262-82D7-A82BDAA2EF7D}"
#define ZUVO_TUNNEL_CONNECTING 1
#define ZUVO_TUNNEL_UP 2

typedef struct ZuvoTunnelTable {
    void* (*create)(void);
    void (*destroy)(void* self);
    int (*start)(void* self);
    int (*stop)(void* self);
    int (*get_status)(void* self, int32_t* status);
    int (*add_route)(void* self, const char* name, const char* value);
    int (*clear_routes)(void* self);
    int (*get_version)(void* self, char* buffer, uint32_t size);
    int (*get_info)(void* self, char* buffer, uint32_t size);
    /* The connect interface: connects to the tunnel service at host with key as credential and
       writes the tunnel's local address into address. */
    int (*connect)(void* self, const char* key, const char* host, char* address, uint32_t size);
} ZuvoTunnelTable;

#ifdef __cplusplus
}
#endif

#endif
