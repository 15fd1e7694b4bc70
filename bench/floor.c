/* The floor of every figure: the cheapest possible CGI program. */
#include <stdio.h>

int main(void)
{
    fputs("Content-type: text/plain\r\n\r\nOK", stdout);
    return 0;
}
