/* MPGLib.DLL: LAME's mpglib decoder behind the classic entries _InitMP3, _decodeMP3 and
 * _ExitMP3 (cdecl, named by MPGLib.def). The caller owns the decoder's state: a block of
 * 40000 bytes, zero or not, handed to every call. Nothing here writes to a console or shows UI:
 * mpglib's messages all go through lame_report_fnc, which this library defines to do nothing.
 *
 * _decodeMP3 (state, input, input size, output, output size, out produced) appends the input
 * and decodes every frame that is complete, as long as a whole frame (4608 bytes) still fits
 * into the output: -1 error, 0 produced bytes written, 1 more input needed. mpglib on its own
 * holds back the first frame after (re)starting until more input arrives; decoding on from
 * what is buffered gives each frame out with the call that completes it. */

#include <config.h>

#include <stdarg.h>
#include <stddef.h>

#include "interface.h"

enum { STATE_BLOCK_SIZE = 40000, LARGEST_FRAME_OUTPUT = 1152 * 2 * 2 };

typedef struct {
    MPSTR mp;
    int errorPending; /* an error met after frames were handed out: reported by the next call */
} Decoder;

_Static_assert(sizeof(Decoder) <= STATE_BLOCK_SIZE, "the decoder's state must fit into the caller's 40000-byte block");

void
lame_report_def(const char *format, va_list args)
{
    (void) format;
    (void) args;
}

void
lame_report_fnc(lame_report_function print_f, const char *format, ...)
{
    (void) print_f;
    (void) format;
}

int
MpgLibInitMP3(void *state)
{
    Decoder *d = (Decoder *) state;
    if (d == NULL)
        return 0;
    InitMP3(&d->mp);
    d->errorPending = 0;
    return 1;
}

int
MpgLibDecodeMP3(void *state, unsigned char *input, int inputSize, char *output, int outputSize, int *produced)
{
    Decoder *d = (Decoder *) state;
    int     total = 0, done = 0, result, before;

    if (produced != NULL)
        *produced = 0;
    if (d == NULL || produced == NULL || output == NULL || inputSize < 0 || (input == NULL && inputSize > 0))
        return MP3_ERR;
    if (d->errorPending) {
        d->errorPending = 0;
        return MP3_ERR;
    }
    if (outputSize < LARGEST_FRAME_OUTPUT)
        return MP3_ERR;

    before = d->mp.bsize + inputSize;
    result = decodeMP3(&d->mp, input, inputSize, output, outputSize, &done);
    for (;;) {
        if (result == MP3_OK) {
            total += done;
            if (outputSize - total < LARGEST_FRAME_OUTPUT)
                break;
        }
        else if (result == MP3_ERR) {
            if (total == 0)
                return MP3_ERR;
            d->errorPending = 1;
            break;
        }
        else if (d->mp.bsize == before) {
            break; /* nothing taken from the buffer: a frame is still incomplete */
        }
        before = d->mp.bsize;
        done = 0;
        result = decodeMP3(&d->mp, NULL, 0, output + total, outputSize - total, &done);
    }
    *produced = total;
    return total > 0 ? MP3_OK : MP3_NEED_MORE;
}

void
MpgLibExitMP3(void *state)
{
    Decoder *d = (Decoder *) state;
    if (d == NULL)
        return;
    ExitMP3(&d->mp);
    d->mp.head = d->mp.tail = NULL;
    d->mp.bsize = 0;
}
