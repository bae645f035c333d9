/* namefold: a content plugin that tells a file-listing host whether a path holds characters the
 * system's ANSI code page cannot represent, and offers four converted forms of the file's name.
 *
 * The host loads the library, enumerates the fields with ContentGetSupportedField and asks for
 * values with ContentGetValueW (UTF-16 paths) or ContentGetValue (8-bit paths). Every entry point
 * may be called from any thread at any time; none of them throws, logs or keeps per-call state.
 *
 * Buffers: every buffer length is a signed count of bytes. Nothing is ever written outside
 * [buffer, buffer + maxlen), whatever maxlen is. Every string result is zero-terminated inside
 * the buffer; a result that does not fit is cut.
 *
 * Null pointers are accepted everywhere and never read or written through: a null path makes a
 * value entry answer FILE_ERROR (before any other test, the field index included), a null value
 * buffer NO_ROOM; a null field name or units buffer makes ContentGetSupportedField answer
 * NO_MORE_FIELDS; ContentGetDetectString and ContentSetDefaultParams accept null and write nothing.
 */
#ifndef NAMEFOLD_H
#define NAMEFOLD_H

#ifdef __cplusplus
extern "C" {
#endif

/* Calling convention of the entry points: __stdcall on 32-bit Windows, the default elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#define NAMEFOLD_CALL __stdcall
#else
#define NAMEFOLD_CALL
#endif

/* A UTF-16 code unit as the host passes it: wchar_t on Windows, char16_t elsewhere. */
#ifdef _WIN32
typedef wchar_t NamefoldUnit;
#elif defined(__cplusplus)
typedef char16_t NamefoldUnit;
#else
#include <uchar.h>
typedef char16_t NamefoldUnit;
#endif

/* Result codes of ContentGetSupportedField and of the two value entries. */
#define NAMEFOLD_FT_NO_MORE_FIELDS 0  /* end of the catalogue */
#define NAMEFOLD_FT_BOOLEAN 6         /* the value is a 32-bit integer, 0 or 1 */
#define NAMEFOLD_FT_STRING 8          /* 8-bit string, zero-terminated */
#define NAMEFOLD_FT_WIDE_STRING 11    /* UTF-16 string, zero-terminated */
#define NAMEFOLD_FT_NO_SUCH_FIELD (-1)
#define NAMEFOLD_FT_FILE_ERROR (-2)   /* the path is unusable: null, or 3 units or fewer */

/* A value that cannot be delivered because the host's buffer cannot hold it (a boolean needs 4
 * bytes, a string at least its terminator) or because the buffer pointer is null: nothing is
 * written and the value entries answer "no such field". */
#define NAMEFOLD_FT_NO_ROOM NAMEFOLD_FT_NO_SUCH_FIELD

/* The field indexes. */
#define NAMEFOLD_FIELD_HAS_UNICODE 0
#define NAMEFOLD_FIELD_NAME_NO_UNICODE 1
#define NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH 2
#define NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE 3
#define NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL 4
#define NAMEFOLD_FIELD_COUNT 5

/* Names field FieldIndex: copies its name into FieldName (cut to maxlen - 1 bytes), an empty
 * units string into Units (both maxlen bytes) and returns its declared type (BOOLEAN or STRING).
 * Returns NO_MORE_FIELDS for an index outside 0..4, and also, writing nothing, when maxlen < 1
 * or either buffer is null. */
int NAMEFOLD_CALL ContentGetSupportedField(int FieldIndex, char* FieldName, char* Units,
                                           int maxlen);

/* Writes the empty detect string into DetectString when maxlen >= 1 and it is not null; returns 0. */
int NAMEFOLD_CALL ContentGetDetectString(char* DetectString, int maxlen);

/* The default sort order of every field, and of any other index: 1. */
int NAMEFOLD_CALL ContentGetDefaultSortOrder(int FieldIndex);

/* Accepts the host's default parameters and ignores them; params may be null. */
void NAMEFOLD_CALL ContentSetDefaultParams(void* params);

/* The 8-bit value entry: answers "HasUnicode" (always 0: an 8-bit path holds only ANSI
 * characters) and "NameNoUnicode" (the part after the last path separator, unconverted but for
 * the same usable-name rule as ContentGetValueW: "_" for an empty name, and "_" for the first
 * dot of one made only of dots).
 * Returns FILE_ERROR for a null path or one of 3 bytes or fewer, NO_SUCH_FIELD for fields 2 to 4
 * and any other index, NO_ROOM when FieldValue is null or too small. UnitIndex and flags are
 * ignored. */
int NAMEFOLD_CALL ContentGetValue(const char* FileName, int FieldIndex, int UnitIndex,
                                  void* FieldValue, int maxlen, int flags);

/* The UTF-16 value entry: answers all five fields. "HasUnicode" is 1 when the whole path, as
 * stored, holds a character the ANSI code page cannot represent; the four names come back as
 * UTF-16 strings. The names are computed from the file's name in its composed form (Unicode
 * NFC), so a decomposed name gives the values of its composed form. A name value is never "",
 * "." or "..": an empty one is "_", and the first dot of one made only of dots is "_" (only a
 * buffer that cannot hold one character besides the terminator gets an empty value).
 * Returns FILE_ERROR for a null path or one of 3 units or fewer, NO_SUCH_FIELD for an index
 * outside 0..4, NO_ROOM when FieldValue is null or too small (under 4 bytes for "HasUnicode",
 * "NameNoUnicode" and "NameReplaceNoEnglish"; under 2 bytes for the other two). */
int NAMEFOLD_CALL ContentGetValueW(const NamefoldUnit* FileName, int FieldIndex, int UnitIndex,
                                   void* FieldValue, int maxlen, int flags);

#ifdef __cplusplus
}
#endif

#endif /* NAMEFOLD_H */
