/* SPDX-License-Identifier: MIT */
/* A program outside the project, built against an installed quorvalent: it
 * prints the header's version and the MD5 of "abc". */
#include <stdio.h>

#include <quorvalent.h>

int main(void)
{
    char* digest = cifrado_md5("abc");
    if (!digest) {
        return 1;
    }
    printf("%d.%d.%d %s\n", QUORVALENT_VERSION_MAJOR, QUORVALENT_VERSION_MINOR, QUORVALENT_VERSION_PATCH, digest);
    FreeMem();
    return 0;
}
