// Every run ends here: the adapter handles are closed and the adapter list
// released before the process exits with the command's status (0 or -1).
#pragma once

[[noreturn]] void exit_program(int status);
