#ifndef QUILLET_PLUGIN_H
#define QUILLET_PLUGIN_H
/*
 * Quillet viewer plug-ins: the interface between the program and a viewer module.
 *
 * A viewer module is a shared object whose file name ends in ".blob" (exactly, in lower case),
 * placed in the program's plugins/ folder or a folder below it. The program finds the exports
 * below by name; every one uses the C calling convention and runs on the program's GUI thread.
 * Texts are UTF-8 and NUL-terminated ("A" exports); "W" exports use UTF-16 and are part of the
 * required set, but the program never calls them.
 *
 * Required exports: GetLastErrorTextA, GetLastErrorTextW, ShowBLOB, GetMenuItemNameA,
 * GetMenuItemNameW. Optional: TestBLOB, GetModuleDescriptionA, GetModuleDescriptionW,
 * ShowAboutBox, ShowConfigurateWnd. Declare each with QUILLET_PLUGIN_EXPORT; build the module
 * with hidden visibility so nothing else leaks out.
 */

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

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(PluginDescription) == QUILLET_PLUGIN_DESCRIPTION_BYTES,
              "the description record has a fixed layout");
static_assert(offsetof(PluginDescription, version) == 21 &&
                  offsetof(PluginDescription, copyright) == 32 &&
                  offsetof(PluginDescription, description) == 133 &&
                  offsetof(PluginDescription, languages) == 1157,
              "the description fields have fixed offsets");
static_assert(offsetof(BlobInfo, type) == sizeof(void*), "the type follows the stream pointer");
#else
_Static_assert(sizeof(PluginDescription) == QUILLET_PLUGIN_DESCRIPTION_BYTES,
               "the description record has a fixed layout");
#endif

#endif /* QUILLET_PLUGIN_H */
