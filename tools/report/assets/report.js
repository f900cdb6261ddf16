// script
