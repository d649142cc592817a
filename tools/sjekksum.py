"""The NMEA checksum for the Python generators of recordings, seeds and
benchmark streams: the XOR of every character between the "$" or "!" and
the "*", written as the tail "*HH" in capital hex."""


def med_sum(setning):
    """The sentence (from its "$" or "!") with its checksum tail added."""
    s = 0
    for c in setning[1:]:
        s ^= ord(c)
    return "%s*%02X" % (setning, s)
