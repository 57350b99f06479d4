#ifndef QUILLET_PLUGIN_H
#define QUILLET_PLUGIN_H
/*
 * Quillet viewer plug-ins: the interface between the program and a viewer module.
 *
 * A viewer module is a shared object whose file name ends in ".blob" (exactly, in lower case),
 * placed in the program's plugins/ folder or a folder below it (installed: lib/quillet/plugins/
 * under the prefix). The program finds the exports below by name and calls them with the C
 * calling convention. Texts are UTF-8 and NUL-terminated ("A" exports); "W" exports use UTF-16
 * and are part of the required set, but the program never calls them.
 *
 * Required exports: GetLastErrorTextA, GetLastErrorTextW, ShowBLOB, GetMenuItemNameA,
 * GetMenuItemNameW. Optional: TestBLOB, GetModuleDescriptionA, GetModuleDescriptionW,
 * ShowAboutBox, ShowConfigurateWnd. A module missing a required export is not loaded. Define
 * each with QUILLET_PLUGIN_EXPORT; the prototypes at the end of this header let the compiler
 * check every definition. Build the module with hidden visibility (-fvisibility=hidden) so
 * nothing else leaks out.
 *
 * Threads: every export is called on the program's GUI thread, one call at a time, never from
 * two threads at once. A module needs no locking of its own, and must not keep a call waiting
 * on another thread of the program. ShowBLOB may run a modal window of its own: the program's
 * windows stay painted meanwhile only if that window runs the program's event loop (a Qt
 * module); a window of another toolkit blocks them until it closes.
 *
 * Ownership:
 * - The stream and the BlobInfo record belong to the program and are valid only during the
 *   call they are handed to. Do not keep them, do not write to the stream, never Release it.
 * - Texts a module returns (error text, menu item name) belong to the module. They must stay
 *   valid until the next call into the module; a static buffer is the usual home.
 * - Description records belong to the program, which clears them first; the module fills the
 *   fields, each NUL-terminated within its size.
 * - The program loads a module when the first table of a window is shown and unloads it when
 *   the last one goes, so a module may be loaded and unloaded many times in one run: free
 *   what it allocated before ShowBLOB returns, or in a destructor function.
 *
 * Record sizes (the program relies on them):
 *   QuilletStream        one pointer (8 bytes on 64-bit systems)
 *   QuilletStreamVtbl    five function pointers (40 bytes on 64-bit systems)
 *   BlobInfo             a pointer then a 32-bit type: 16 bytes on 64-bit, 8 on 32-bit systems
 *   PluginDescription    2,181 bytes: name 21, version 11, copyright 101, description 1,024,
 *                        languages 1,024, packed without padding
 *   PluginDescriptionW   4,362 bytes: the same fields as UTF-16 code units
 */

/*
 * The version of this interface. It goes up by one whenever a record or an export changes in
 * a way an existing module would notice; a module built for one version can check it:
 *   #if QUILLET_PLUGIN_API_VERSION != 1
 *   #error "built for version 1 of the Quillet plug-in interface"
 *   #endif
 * QUILLET_PLUGIN_PROGRAM_VERSION is the program release this header came with.
 */
#define QUILLET_PLUGIN_API_VERSION 1
#define QUILLET_PLUGIN_PROGRAM_VERSION "1.6.0"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__i386__)
#define QUILLET_PLUGIN_CALL __attribute__((cdecl))
#else
#define QUILLET_PLUGIN_CALL
#endif

#ifdef __cplusplus
#define QUILLET_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define QUILLET_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

/* A Boolean result: 0 is false, anything else true. */
typedef unsigned char QuilletBool;
/* One UTF-16 code unit. */
typedef uint16_t QuilletWideChar;

/* Result codes of the stream calls: 0 success, 1 "done, but less than asked", negative failure. */
typedef int32_t QuilletResult;
#define QUILLET_S_OK ((QuilletResult)0)
#define QUILLET_S_FALSE ((QuilletResult)1)
#define QUILLET_E_FAIL ((QuilletResult)0x80004005)
#define QUILLET_E_INVALIDARG ((QuilletResult)0x80070057)
#define QUILLET_E_ACCESSDENIED ((QuilletResult)0x80070005)

/* Seek origins. */
#define QUILLET_SEEK_SET 0
#define QUILLET_SEEK_CUR 1
#define QUILLET_SEEK_END 2

/* The type of the bytes in the stream. */
#define QUILLET_DBTYPE_BYTES 128 /* binary */
#define QUILLET_DBTYPE_STR 129   /* UTF-8 text */
#define QUILLET_DBTYPE_WSTR 130  /* UTF-16LE text */

/*
 * A seekable byte stream holding one cell's value. The program owns it; it is valid only
 * during the call it is handed to. A plug-in reads it and does not write to it.
 */
typedef struct QuilletStream QuilletStream;

typedef struct QuilletStreamVtbl {
  /* Reads up to `size` bytes at the current position; *read gets the count (may be NULL). */
  QuilletResult(QUILLET_PLUGIN_CALL* Read)(QuilletStream* self, void* buffer, uint32_t size,
                                           uint32_t* read);
  /* Writes `size` bytes at the current position; *written gets the count (may be NULL). */
  QuilletResult(QUILLET_PLUGIN_CALL* Write)(QuilletStream* self, const void* buffer, uint32_t size,
                                            uint32_t* written);
  /* Moves the position; *position gets the new one (may be NULL). */
  QuilletResult(QUILLET_PLUGIN_CALL* Seek)(QuilletStream* self, int64_t offset, int32_t origin,
                                           uint64_t* position);
  /* The stream's size in bytes. */
  QuilletResult(QUILLET_PLUGIN_CALL* Size)(QuilletStream* self, uint64_t* size);
  /* Drops one reference; the program's own, never a plug-in's, to call. */
  uint32_t(QUILLET_PLUGIN_CALL* Release)(QuilletStream* self);
} QuilletStreamVtbl;

struct QuilletStream {
  const QuilletStreamVtbl* vtbl;
};

/*
 * What the program hands to TestBLOB and ShowBLOB. The stream's position is at the end of the
 * data: seek to the start before reading.
 */
typedef struct BlobInfo {
  QuilletStream* stream;
  uint32_t type; /* QUILLET_DBTYPE_*, or the column's own type for other columns */
} BlobInfo;

/* The module's description. Each field is NUL-terminated UTF-8 within its size. */
#define QUILLET_PLUGIN_NAME_SIZE 21
#define QUILLET_PLUGIN_VERSION_SIZE 11
#define QUILLET_PLUGIN_COPYRIGHT_SIZE 101
#define QUILLET_PLUGIN_DESCRIPTION_SIZE 1024
#define QUILLET_PLUGIN_LANGUAGES_SIZE 1024

typedef struct PluginDescription {
  char name[QUILLET_PLUGIN_NAME_SIZE];
  char version[QUILLET_PLUGIN_VERSION_SIZE];
  char copyright[QUILLET_PLUGIN_COPYRIGHT_SIZE];
  char description[QUILLET_PLUGIN_DESCRIPTION_SIZE];
  char languages[QUILLET_PLUGIN_LANGUAGES_SIZE];
} PluginDescription;

typedef struct PluginDescriptionW {
  QuilletWideChar name[QUILLET_PLUGIN_NAME_SIZE];
  QuilletWideChar version[QUILLET_PLUGIN_VERSION_SIZE];
  QuilletWideChar copyright[QUILLET_PLUGIN_COPYRIGHT_SIZE];
  QuilletWideChar description[QUILLET_PLUGIN_DESCRIPTION_SIZE];
  QuilletWideChar languages[QUILLET_PLUGIN_LANGUAGES_SIZE];
} PluginDescriptionW;

#define QUILLET_PLUGIN_DESCRIPTION_BYTES 2181

/*
 * The exports. `parent` is the owner window (a QWidget* in the program); `reserved` is always 0.
 * ShowBLOB returns when the plug-in's window is closed; false means nothing was shown, and the
 * program then asks GetLastErrorTextA for a reason.
 */
typedef const char*(QUILLET_PLUGIN_CALL* GetLastErrorTextAFn)(void);
typedef const QuilletWideChar*(QUILLET_PLUGIN_CALL* GetLastErrorTextWFn)(void);
typedef QuilletBool(QUILLET_PLUGIN_CALL* ShowBLOBFn)(void* parent, uint32_t reserved,
                                                     BlobInfo* info);
typedef const char*(QUILLET_PLUGIN_CALL* GetMenuItemNameAFn)(void);
typedef const QuilletWideChar*(QUILLET_PLUGIN_CALL* GetMenuItemNameWFn)(void);
typedef QuilletBool(QUILLET_PLUGIN_CALL* TestBLOBFn)(BlobInfo* info);
typedef void(QUILLET_PLUGIN_CALL* GetModuleDescriptionAFn)(PluginDescription* description);
typedef void(QUILLET_PLUGIN_CALL* GetModuleDescriptionWFn)(PluginDescriptionW* description);
typedef void(QUILLET_PLUGIN_CALL* ShowAboutBoxFn)(void* parent);
typedef void(QUILLET_PLUGIN_CALL* ShowConfigurateWndFn)(void* parent);

/*
 * The exports, declared so that a module's own definitions are checked against them.
 */

/* The reason the last call failed, for a message box; "" when there is none. Required. */
QUILLET_PLUGIN_EXPORT const char* QUILLET_PLUGIN_CALL GetLastErrorTextA(void);
/* The same in UTF-16. Required, never called. */
QUILLET_PLUGIN_EXPORT const QuilletWideChar* QUILLET_PLUGIN_CALL GetLastErrorTextW(void);
/* Shows the cell in the module's window; returns when that window is closed. Required. */
QUILLET_PLUGIN_EXPORT QuilletBool QUILLET_PLUGIN_CALL ShowBLOB(void* parent, uint32_t reserved,
                                                               BlobInfo* info);
/* The text of the module's item in the cell menu. Required. */
QUILLET_PLUGIN_EXPORT const char* QUILLET_PLUGIN_CALL GetMenuItemNameA(void);
/* The same in UTF-16. Required, never called. */
QUILLET_PLUGIN_EXPORT const QuilletWideChar* QUILLET_PLUGIN_CALL GetMenuItemNameW(void);
/* Whether the module can show this cell; without it the module is offered for every cell. */
QUILLET_PLUGIN_EXPORT QuilletBool QUILLET_PLUGIN_CALL TestBLOB(BlobInfo* info);
/* Fills the description shown in the Plug-ins dialog. Optional. */
QUILLET_PLUGIN_EXPORT void QUILLET_PLUGIN_CALL
GetModuleDescriptionA(PluginDescription* description);
/* The same in UTF-16. Optional, never called. */
QUILLET_PLUGIN_EXPORT void QUILLET_PLUGIN_CALL
GetModuleDescriptionW(PluginDescriptionW* description);
/* The module's About box, from the Plug-ins dialog. Optional. */
QUILLET_PLUGIN_EXPORT void QUILLET_PLUGIN_CALL ShowAboutBox(void* parent);
/* The module's settings window, from the Plug-ins dialog. Optional. */
QUILLET_PLUGIN_EXPORT void QUILLET_PLUGIN_CALL ShowConfigurateWnd(void* parent);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(PluginDescription) == QUILLET_PLUGIN_DESCRIPTION_BYTES,
              "the description record has a fixed layout");
static_assert(sizeof(PluginDescriptionW) == 2 * QUILLET_PLUGIN_DESCRIPTION_BYTES,
              "the wide description record has a fixed layout");
static_assert(offsetof(PluginDescription, version) == 21 &&
                  offsetof(PluginDescription, copyright) == 32 &&
                  offsetof(PluginDescription, description) == 133 &&
                  offsetof(PluginDescription, languages) == 1157,
              "the description fields have fixed offsets");
static_assert(offsetof(BlobInfo, type) == sizeof(void*), "the type follows the stream pointer");
#else
_Static_assert(sizeof(PluginDescription) == QUILLET_PLUGIN_DESCRIPTION_BYTES,
               "the description record has a fixed layout");
_Static_assert(sizeof(PluginDescriptionW) == 2 * QUILLET_PLUGIN_DESCRIPTION_BYTES,
               "the wide description record has a fixed layout");
_Static_assert(offsetof(BlobInfo, type) == sizeof(void*), "the type follows the stream pointer");
#endif

#endif /* QUILLET_PLUGIN_H */
