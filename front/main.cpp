// nvr-api.cgi: started by the web server once per HTTP request.
#include <csignal>

#include "front/intake.h"

int main()
{
    // Under a file-size limit a write past it fails (EFBIG) instead of
    // killing the program halfway, so a failed upload or store write is
    // cleaned up and answered like any other write error.
    std::signal(SIGXFSZ, SIG_IGN);
    return cgi_intake_run();
}
