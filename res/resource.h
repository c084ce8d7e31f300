/* Identifiers shared by the resource script and the Windows program. The menu itself is
   named by the string "IDR_MENU1", so that name is deliberately not #defined here. */
#ifndef KUERUMA_RESOURCE_H
#define KUERUMA_RESOURCE_H

/* "シュウリョウ" (quit): the window closes on this command. */
#define IDM_QUIT 0

/* The program's icon, the first and only one: Explorer shows it for kueruma.exe. */
#define IDI_KUERUMA 1

#endif
