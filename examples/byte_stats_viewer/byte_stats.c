/*
 * Byte statistics: a Quillet viewer module in plain C.
 *
 * Shows how many bytes a cell holds, how many distinct values they take, their entropy, how
 * many are printable, zero or high, and the most frequent ones, in a small X11 window. It
 * is also the example the README walks through: build it with `make` against an installed
 * Quillet (pkg-config finds quillet-plugin) and copy byte_stats.blob into the plug-ins folder.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <math.h>
#include <quillet/quillet_plugin.h>
#include <stdio.h>
#include <string.h>

#if QUILLET_PLUGIN_API_VERSION != 1
#error "byte_stats is written for version 1 of the Quillet plug-in interface"
#endif

#define LINE_COUNT 12
#define LINE_SIZE 96

static char last_error[256];
static const QuilletWideChar no_text[1] = {0};

typedef struct ByteStatistics {
  uint64_t total;
  uint64_t counts[256];
} ByteStatistics;

static void set_error(const char* text) {
  snprintf(last_error, sizeof last_error, "%s", text);
}

/* Counts every byte of the stream from its start. False when the stream cannot be read. */
static int count_bytes(BlobInfo* info, ByteStatistics* stats) {
  QuilletStream* stream = info != NULL ? info->stream : NULL;
  unsigned char piece[8192];
  uint32_t read = 0;
  memset(stats, 0, sizeof *stats);
  if (stream == NULL || stream->vtbl->Seek(stream, 0, QUILLET_SEEK_SET, NULL) < 0) return 0;
  for (;;) {
    if (stream->vtbl->Read(stream, piece, sizeof piece, &read) < 0) return 0;
    for (uint32_t i = 0; i < read; ++i) ++stats->counts[piece[i]];
    stats->total += read;
    if (read < sizeof piece) return 1;
  }
}

/* The report, one line of text a row. Returns the number of lines used. */
static int describe(const ByteStatistics* stats, char lines[LINE_COUNT][LINE_SIZE]) {
  uint64_t printable = 0, high = 0, distinct = 0;
  double entropy = 0.0;
  int n = 0;
  for (int b = 0; b < 256; ++b) {
    const uint64_t count = stats->counts[b];
    if (count == 0) continue;
    ++distinct;
    if ((b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r') printable += count;
    if (b >= 0x80) high += count;
    const double p = (double)count / (double)stats->total;
    entropy -= p * log2(p);
  }
  const double total = stats->total > 0 ? (double)stats->total : 1.0;
  snprintf(lines[n++], LINE_SIZE, "Bytes: %llu", (unsigned long long)stats->total);
  snprintf(lines[n++], LINE_SIZE, "Distinct values: %llu of 256", (unsigned long long)distinct);
  snprintf(lines[n++], LINE_SIZE, "Entropy: %.3f bits per byte", entropy);
  snprintf(lines[n++], LINE_SIZE, "Printable ASCII: %.1f%%", 100.0 * (double)printable / total);
  snprintf(lines[n++], LINE_SIZE, "Zero bytes: %.1f%%", 100.0 * (double)stats->counts[0] / total);
  snprintf(lines[n++], LINE_SIZE, "Bytes 0x80 and above: %.1f%%", 100.0 * (double)high / total);
  snprintf(lines[n++], LINE_SIZE, "Most frequent:");
  /* The five most frequent values, ties to the lower value. */
  int shown[5];
  for (int rank = 0; rank < 5; ++rank) {
    int best = -1;
    for (int b = 0; b < 256; ++b) {
      int taken = 0;
      for (int r = 0; r < rank; ++r) taken |= shown[r] == b;
      if (!taken && stats->counts[b] > 0 && (best < 0 || stats->counts[b] > stats->counts[best]))
        best = b;
    }
    if (best < 0) break;
    shown[rank] = best;
    snprintf(lines[n++], LINE_SIZE, "  0x%02X %c  %llu times", best,
             best >= 0x20 && best < 0x7F ? best : ' ', (unsigned long long)stats->counts[best]);
  }
  return n;
}

/* A window with the lines, closed by Escape, Return, q or the window manager. */
static int show_window(char lines[LINE_COUNT][LINE_SIZE], int count) {
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    set_error("Byte statistics needs an X11 display (DISPLAY is not set or cannot be reached).");
    return 0;
  }
  const int screen = DefaultScreen(display);
  XFontStruct* font = XLoadQueryFont(display, "fixed");
  const int ascent = font != NULL ? font->ascent : 11;
  const int line_height = font != NULL ? font->ascent + font->descent + 4 : 16;
  const unsigned width = 360, height = (unsigned)(line_height * count + 24);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 1,
                                      BlackPixel(display, screen), WhitePixel(display, screen));
  XStoreName(display, window, "Byte statistics");
  Atom close_atom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &close_atom, 1);
  XSelectInput(display, window, ExposureMask | KeyPressMask | StructureNotifyMask);
  GC gc = XCreateGC(display, window, 0, NULL);
  XSetForeground(display, gc, BlackPixel(display, screen));
  if (font != NULL) XSetFont(display, gc, font->fid);
  XMapRaised(display, window);

  for (int open = 1; open;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.count == 0) {
      for (int i = 0; i < count; ++i)
        XDrawString(display, window, gc, 12, 12 + ascent + i * line_height, lines[i],
                    (int)strlen(lines[i]));
    } else if (event.type == KeyPress) {
      const KeySym key = XLookupKeysym(&event.xkey, 0);
      open = !(key == XK_Escape || key == XK_Return || key == XK_q);
    } else if (event.type == ClientMessage && (Atom)event.xclient.data.l[0] == close_atom) {
      open = 0;
    }
  }
  XFreeGC(display, gc);
  if (font != NULL) XFreeFont(display, font);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 1;
}

QUILLET_PLUGIN_EXPORT const char* GetLastErrorTextA(void) {
  return last_error;
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetLastErrorTextW(void) {
  return no_text;
}

QUILLET_PLUGIN_EXPORT const char* GetMenuItemNameA(void) {
  return "Show byte statistics";
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetMenuItemNameW(void) {
  return no_text;
}

/* Offered for binary cells that hold at least one byte. */
QUILLET_PLUGIN_EXPORT QuilletBool TestBLOB(BlobInfo* info) {
  uint64_t size = 0;
  if (info == NULL || info->stream == NULL || info->type != QUILLET_DBTYPE_BYTES) return 0;
  return info->stream->vtbl->Size(info->stream, &size) >= 0 && size > 0;
}

QUILLET_PLUGIN_EXPORT QuilletBool ShowBLOB(void* parent, uint32_t reserved, BlobInfo* info) {
  static ByteStatistics stats; /* 2 KiB: kept off the stack of the program's thread */
  char lines[LINE_COUNT][LINE_SIZE];
  (void)parent;
  (void)reserved;
  last_error[0] = '\0';
  if (!count_bytes(info, &stats)) {
    set_error("The cell's bytes could not be read.");
    return 0;
  }
  return (QuilletBool)show_window(lines, describe(&stats, lines));
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionA(PluginDescription* description) {
  snprintf(description->name, sizeof description->name, "Byte statistics");
  snprintf(description->version, sizeof description->version, "1.0");
  snprintf(description->copyright, sizeof description->copyright,
           "Copyright (C) the Quillet authors");
  snprintf(description->description, sizeof description->description,
           "Counts the bytes of a binary cell: distinct values, entropy, printable share and "
           "the most frequent values. Written in C against the Quillet plug-in kit.");
  snprintf(description->languages, sizeof description->languages, "English");
}
