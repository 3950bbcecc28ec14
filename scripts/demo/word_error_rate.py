#!/usr/bin/env python3
"""Word error rate of a transcript against the sentence that was spoken.

    word_error_rate.py REFERENCE HYPOTHESIS

Both are compared as lower-case words without punctuation. Prints one line,
the rate in percent and the edits it counts:
"5.0% (1 substituted, 0 missed, 0 added; 20 words spoken)".
"""
import re
import sys


def words(text):
    return re.findall(r"[a-z0-9']+", text.lower())


def edit_counts(reference, hypothesis):
    """(substitutions, deletions, insertions) of a minimal word alignment."""
    # Each cell: (total edits, substitutions, deletions, insertions); among
    # alignments of equal cost the one with fewer substitutions is kept.
    previous = [(j, 0, 0, j) for j in range(len(hypothesis) + 1)]
    for i, spoken in enumerate(reference, start=1):
        current = [(i, 0, i, 0)]
        for j, heard in enumerate(hypothesis, start=1):
            diagonal = previous[j - 1]
            if spoken == heard:
                best = diagonal
            else:
                best = (diagonal[0] + 1, diagonal[1] + 1, diagonal[2], diagonal[3])
            up = previous[j]
            left = current[j - 1]
            for candidate in ((up[0] + 1, up[1], up[2] + 1, up[3]),
                              (left[0] + 1, left[1], left[2], left[3] + 1)):
                if (candidate[0], candidate[1]) < (best[0], best[1]):
                    best = candidate
            current.append(best)
        previous = current
    return previous[-1][1:]


def main():
    if len(sys.argv) != 3:
        print("usage: word_error_rate.py REFERENCE HYPOTHESIS", file=sys.stderr)
        return 2
    reference, hypothesis = words(sys.argv[1]), words(sys.argv[2])
    if not reference:
        print("word_error_rate.py: the reference has no words", file=sys.stderr)
        return 2
    substitutions, deletions, insertions = edit_counts(reference, hypothesis)
    rate = (substitutions + deletions + insertions) / len(reference)
    print(f"{100 * rate:.1f}% ({substitutions} substituted, {deletions} missed, "
          f"{insertions} added; {len(reference)} words spoken)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
