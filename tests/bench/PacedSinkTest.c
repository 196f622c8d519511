/* The bench's paced sink through ALSA itself: it takes sound at a finite rate, and a writer that
 * was starved until its whole buffer had drained finds the buffer free again, not full for ever.
 * Needs ALSA_CONFIG_PATH to name the sink "sink". */
#include <alsa/asoundlib.h>
#include <stdio.h>
#include <unistd.h>

static int failures;

static void check(int ok, const char *what, long value) {
  printf("%s: %s (%ld)\n", ok ? "ok" : "FAILED", what, value);
  failures += !ok;
}

/* Free frames a little after the device had time to drain everything, asked a few times. */
static snd_pcm_sframes_t free_after_draining(snd_pcm_t *pcm, snd_pcm_uframes_t buffer) {
  snd_pcm_sframes_t avail = 0;
  for (int i = 0; i < 5 && avail < (snd_pcm_sframes_t)buffer; i++) {
    usleep(20000);
    avail = snd_pcm_avail_update(pcm);
  }
  return avail;
}

int main(void) {
  static short silence[2 * 48000];
  snd_pcm_t *pcm;
  snd_pcm_uframes_t buffer, period;
  if (snd_pcm_open(&pcm, "sink", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 ||
      snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, 48000, 0, 100000) < 0 ||
      snd_pcm_get_params(pcm, &buffer, &period) < 0) {
    printf("FAILED: the paced sink does not open\n");
    return 1;
  }
  for (int round = 0; round < 3; round++) {
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, silence, buffer);
    check(written == (snd_pcm_sframes_t)buffer, "a whole buffer is taken", written);
    snd_pcm_sframes_t at_once = snd_pcm_avail_update(pcm);
    check(at_once >= 0 && at_once < (snd_pcm_sframes_t)period, "not played at once", at_once);
    /* Starved for three buffers' time: everything written has long been played. */
    usleep(3 * 100000);
    snd_pcm_sframes_t avail = free_after_draining(pcm, buffer);
    check(avail == (snd_pcm_sframes_t)buffer, "the drained buffer is free again", avail);
  }
  snd_pcm_close(pcm);
  return failures != 0;
}
