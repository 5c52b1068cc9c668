/* Resource ids of the launcher: its program icon and the texts of its error boxes.
   Shared by launcher.rc and the launcher's code. */
#ifndef QUILLSET_LAUNCHER_RESOURCE_H
#define QUILLSET_LAUNCHER_RESOURCE_H

#define IDI_SETUP 104

#define IDS_SETUP_ERROR 1
#define IDS_CANNOT_CREATE_TEMP_FILE 2
#define IDS_CANNOT_EXTRACT_LIBRARY 3
#define IDS_CANNOT_LOAD_LIBRARY 4

#endif
