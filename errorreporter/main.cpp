// QeltErrorReporting: writes a crash report for a crashed process and offers to send it.

#include "errorreporter/Reporter.h"

int main(int argc, char** argv)
{
    return QeltErrorReporting::Run(argc, argv);
}
