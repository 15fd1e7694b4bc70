// nvr-api.cgi: started by the web server once per HTTP request.
#include "front/intake.h"

int main()
{
    return cgi_intake_run();
}
