/* An ALSA playback device that takes sound at the real rate and discards it: the test bench's
 * sound card. ALSA's null device takes everything at once, so a graph rendering into it runs
 * faster than the clock; this one consumes one second of frames per second of monotonic time.
 *
 * Built by tools/winebench.sh into the bench folder and named in its ALSA configuration as
 *   pcm_type.paced { lib "/path/paced-sink.so" }   pcm.sink { type paced }
 */
#define _GNU_SOURCE
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

typedef struct {
  snd_pcm_ioplug_t io;
  int timer;                  /* wakes pollers every few milliseconds */
  uint64_t started_ns;        /* monotonic time at which the clock last (re)started */
  snd_pcm_uframes_t base;     /* frames consumed at that time */
  snd_pcm_uframes_t consumed; /* frames taken so far since prepare */
  snd_pcm_uframes_t reported; /* consumed as the pointer last told ALSA */
} paced_t;

static uint64_t now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
}

/* Frames the application has written since prepare. */
static snd_pcm_uframes_t written(const paced_t *p) {
  return p->io.appl_ptr;
}

/* Advances the consumed count by the time elapsed; an application that falls behind finds the
 * device waiting for it, as a card does after an underrun is recovered. ALSA learns the count
 * only as a position in the buffer, so between two pointer calls it advances by less than a
 * whole buffer: a starved writer whose full buffer drained completely would otherwise see the
 * same position again, and the device full for ever. */
static void advance(paced_t *p) {
  uint64_t elapsed = now_ns() - p->started_ns;
  snd_pcm_uframes_t due = p->base + (snd_pcm_uframes_t)(elapsed * p->io.rate / 1000000000u);
  snd_pcm_uframes_t limit = p->reported + p->io.buffer_size - 1;
  if (limit > written(p))
    limit = written(p);
  if (due >= limit) {
    p->consumed = limit;
    p->base = p->consumed;
    p->started_ns = now_ns();
  } else {
    p->consumed = due;
  }
}

static int playing(const snd_pcm_ioplug_t *io) {
  return io->state == SND_PCM_STATE_RUNNING || io->state == SND_PCM_STATE_DRAINING;
}

static int paced_start(snd_pcm_ioplug_t *io) {
  paced_t *p = io->private_data;
  p->base = p->consumed;
  p->started_ns = now_ns();
  return 0;
}

static int paced_stop(snd_pcm_ioplug_t *io) {
  (void)io;
  return 0;
}

static int paced_prepare(snd_pcm_ioplug_t *io) {
  paced_t *p = io->private_data;
  p->base = p->consumed = p->reported = 0;
  p->started_ns = now_ns();
  return 0;
}

static snd_pcm_sframes_t paced_pointer(snd_pcm_ioplug_t *io) {
  paced_t *p = io->private_data;
  if (playing(io))
    advance(p);
  p->reported = p->consumed;
  return (snd_pcm_sframes_t)(p->consumed % io->buffer_size);
}

static snd_pcm_sframes_t paced_transfer(snd_pcm_ioplug_t *io, const snd_pcm_channel_area_t *areas,
                                        snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  (void)io;
  (void)areas;
  (void)offset;
  return (snd_pcm_sframes_t)size;
}

static int paced_poll_revents(snd_pcm_ioplug_t *io, struct pollfd *pfd, unsigned int nfds,
                              unsigned short *revents) {
  paced_t *p = io->private_data;
  uint64_t expirations;
  (void)nfds;
  if ((pfd[0].revents & POLLIN) && read(p->timer, &expirations, sizeof expirations) < 0 &&
      errno != EAGAIN)
    return -errno;
  /* Under the PCM's lock: the room is worked out here, not asked of ALSA. */
  if (playing(io))
    advance(p);
  *revents = io->buffer_size - (written(p) - p->consumed) >= io->period_size ? POLLOUT : 0;
  return 0;
}

static int paced_close(snd_pcm_ioplug_t *io) {
  paced_t *p = io->private_data;
  close(p->timer);
  free(p);
  return 0;
}

static const snd_pcm_ioplug_callback_t paced_callbacks = {
  .start = paced_start,
  .stop = paced_stop,
  .prepare = paced_prepare,
  .pointer = paced_pointer,
  .transfer = paced_transfer,
  .poll_revents = paced_poll_revents,
  .close = paced_close,
};

static int set_constraints(snd_pcm_ioplug_t *io) {
  /* Memory-mapped access too, which ALSA's file plug-in needs of the device below it. */
  static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED, SND_PCM_ACCESS_RW_NONINTERLEAVED,
                                        SND_PCM_ACCESS_MMAP_INTERLEAVED, SND_PCM_ACCESS_MMAP_NONINTERLEAVED};
  static const unsigned int formats[] = {SND_PCM_FORMAT_U8, SND_PCM_FORMAT_S16_LE, SND_PCM_FORMAT_S24_LE,
                                         SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_FLOAT_LE};
  int err;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 4, access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 5, formats)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 8)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, 8000, 192000)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_BUFFER_BYTES, 256, 8 << 20)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 4 << 20)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 1024)) < 0)
    return err;
  return 0;
}

SND_PCM_PLUGIN_DEFINE_FUNC(paced) {
  paced_t *p;
  struct itimerspec every = {{0, 5000000}, {0, 5000000}};
  int err;
  (void)root;
  (void)conf;
  if (stream != SND_PCM_STREAM_PLAYBACK)
    return -EINVAL;
  if ((p = calloc(1, sizeof *p)) == NULL)
    return -ENOMEM;
  p->timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (p->timer < 0 || timerfd_settime(p->timer, 0, &every, NULL) < 0) {
    err = -errno;
    if (p->timer >= 0)
      close(p->timer);
    free(p);
    return err;
  }
  p->io.version = SND_PCM_IOPLUG_VERSION;
  p->io.name = "Sonotape bench: paced sink";
  p->io.callback = &paced_callbacks;
  p->io.mmap_rw = 1; /* ALSA keeps the buffer; what is written there is simply not played */
  p->io.private_data = p;
  p->io.poll_fd = p->timer;
  p->io.poll_events = POLLIN;
  if ((err = snd_pcm_ioplug_create(&p->io, name, stream, mode)) < 0) {
    close(p->timer);
    free(p);
    return err;
  }
  if ((err = set_constraints(&p->io)) < 0) {
    snd_pcm_ioplug_delete(&p->io);
    return err;
  }
  *pcmp = p->io.pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(paced);
