#include "app/invitation.h"

int main()
{
    return runInvitation();
}
